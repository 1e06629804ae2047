// The exchange rules: resends, NACKs, their counts and final codes, and replies that must never
// be taken for data. Driven through QX_ExchangeAPDU on a microcontroller-card session.
#include <string>
#include <thread>

#include "reader_fixture.h"

namespace {

using namespace testing_support;

class Exchange : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    ASSERT_EQ(open_reader(), 0);
    QX_SESSION session{};
    session.CardType = QX_CARD_MCU_T0;
    ASSERT_EQ(with_reader(
                  [](PtyPeer& p) {
                    if (p.expect(frame("02 01 0C"))) p.send(reply(0x9000));
                    if (p.expect(frame("80 00"))) p.send(reply(0x9000, hex("3B 02 14")));
                  },
                  [&] { return QX_StartSession(0, &session); }),
              0);
    apdu.CLA = 0x00;
    apdu.INS = 0xB0;
    apdu.Le = 2;
  }

  int32_t exchange(std::function<void(PtyPeer&)> script) {
    return with_reader(std::move(script), [this] { return QX_ExchangeAPDU(0, &apdu); });
  }

  const Bytes command = frame("A0 06 00 B0 00 00 00 02");
  const Bytes good_reply = reply(0x9000, hex("AA BB 90 00"));
  QX_APDU apdu{};
};

TEST_F(Exchange, ReplyFillsDataOutLeAndStatus) {
  EXPECT_EQ(exchange(answer(command, good_reply)), 0);
  EXPECT_EQ(apdu.Le, 2);
  EXPECT_EQ(apdu.DataOut[0], 0xAA);
  EXPECT_EQ(apdu.DataOut[1], 0xBB);
  EXPECT_EQ(apdu.Status, 0x9000);
}

TEST_F(Exchange, BadChecksumIsAnsweredWithNackAndTheReplyAwaitedAgain) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              p.send(frame_with_bad_checksum("90 00 04 AA BB 90 00"));
              p.expect(kNack);
              p.send(good_reply);
            }),
            0);
  EXPECT_EQ(apdu.Status, 0x9000);
}

TEST_F(Exchange, FourBadFramesGiveMinus1080AfterThreeNacks) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              for (int i = 0; i < 3; ++i) {
                p.send(frame_with_bad_checksum("90 00 00"));
                p.expect(kNack);
              }
              p.send(frame_with_bad_checksum("90 00 00"));
              EXPECT_TRUE(p.silent_for(150ms)) << "nothing more after the fourth bad frame";
            }),
            -1080);
}

TEST_F(Exchange, NoReplyAtAllSendsTheCommandOnceAndThreeNacksThenMinus1081) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              for (int i = 0; i < 3; ++i) p.expect(kNack);
              EXPECT_TRUE(p.silent_for(150ms));
            }),
            -1081);
}

TEST_F(Exchange, ResultIsTheLastFailuresCode) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              p.send(frame_with_bad_checksum("90 00 00"));
              for (int i = 0; i < 3; ++i) p.expect(kNack);  // the last three waits get nothing
            }),
            -1081);
}

TEST_F(Exchange, ReaderAskingForTheCommandAgainGetsItUpToThreeTimes) {
  const Bytes resend = frame("", true, 0x05);
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              for (int i = 0; i < 3; ++i) {
                p.expect(command);
                p.send(resend);
              }
              EXPECT_TRUE(p.silent_for(150ms));
            }),
            -1080);
}

TEST_F(Exchange, ResendRequestThenReplySucceeds) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              p.send(frame("", true, 0x05));
              p.expect(command);
              p.send(good_reply);
            }),
            0);
}

TEST_F(Exchange, FailuresCountOverTheWholeExchange) {
  // One bad frame before a resend request and three after it make four: no fourth NACK.
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              p.send(frame_with_bad_checksum("90 00 00"));
              p.expect(kNack);
              p.send(frame("", true, 0x05));
              p.expect(command);
              p.send(frame_with_bad_checksum("90 00 00"));
              p.expect(kNack);
              p.send(frame_with_bad_checksum("90 00 00"));
              p.expect(kNack);
              p.send(frame_with_bad_checksum("90 00 00"));
              EXPECT_TRUE(p.silent_for(150ms));
            }),
            -1080);
}

TEST_F(Exchange, CardEventFrameBeforeTheReplyYieldsTheReply) {
  const Bytes inserted = hex("02 30 31 46 46 30 31 30 30 46 46 03");
  EXPECT_EQ(exchange(answer(command, inserted + good_reply)), 0);
  EXPECT_EQ(apdu.Status, 0x9000);
}

// A card event between command and reply is no reason to ask for the reply again: a NACK that
// crossed the reply would bring it twice.
TEST_F(Exchange, CardEventFrameAloneKeepsTheReplyWaitGoing) {
  const Bytes inserted = hex("02 30 31 46 46 30 31 30 30 46 46 03");
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              p.send(inserted);
              std::this_thread::sleep_for(20ms);
              p.send(good_reply);
              EXPECT_TRUE(p.silent_for(150ms)) << "no NACK";
            }),
            0);
  EXPECT_EQ(apdu.Status, 0x9000);
}

TEST_F(Exchange, ReceiveBufferOverflowIsDroppedAndAskedAgain) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              p.send(Bytes{0x02} + Bytes(700, '5') + Bytes{0x03});
              p.expect(kNack);
              p.send(good_reply);
            }),
            0);
  EXPECT_EQ(apdu.Le, 2);
}

TEST_F(Exchange, ReplyTooLongForTheReplyBufferIsABadFrame) {
  std::string payload = "90 00 FF 01 20";
  for (int i = 0; i < 288; ++i) payload += " 11";
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              p.send(frame(payload));
              p.expect(kNack);
              p.send(good_reply);
            }),
            0);
}

TEST_F(Exchange, ReplyWithoutStatusBytesIsABadFrame) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              p.send(frame("90"));
              p.expect(kNack);
              p.send(good_reply);
            }),
            0);
}

TEST_F(Exchange, LongLengthFormCarriesAFullDataOut) {
  Bytes data(256);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
  Bytes payload = hex("90 00 FF 01 02") + data + hex("61 10");
  EXPECT_EQ(exchange(answer(command, frame(to_hex(payload)))), 0);
  EXPECT_EQ(apdu.Le, 256);
  EXPECT_EQ(apdu.DataOut[255], 0xFF);
  EXPECT_EQ(apdu.Status, 0x6110);
}

TEST_F(Exchange, CardRepliesThatCannotBeRightChangeNothing) {
  apdu.Status = 0x1234;
  apdu.Le = 2;
  // Announces five bytes but carries two; announces two but carries four; carries one byte
  // only; would overflow DataOut.
  EXPECT_EQ(exchange(answer(command, frame("90 00 05 AA BB"))), -1080);
  EXPECT_EQ(exchange(answer(command, frame("90 00 02 AA BB 90 00"))), -1080);
  EXPECT_EQ(exchange(answer(command, reply(0x9000, hex("AA")))), -1080);
  Bytes too_long = hex("90 00 FF 01 03") + Bytes(259, 0x11);
  EXPECT_EQ(exchange(answer(command, frame(to_hex(too_long)))), -1080);
  EXPECT_EQ(apdu.Status, 0x1234);
  EXPECT_EQ(apdu.Le, 2);
}

TEST_F(Exchange, CardReplyWithoutDataIsMinus1007) {
  EXPECT_EQ(exchange(answer(command, reply(0x9000))), -1007);
}

TEST_F(Exchange, ReaderStatusErrorsAreReturnedAndKept) {
  EXPECT_EQ(exchange(answer(command, reply(0x6030))), -1007);
  EXPECT_EQ(GetReaderErrorCode(), 0x6030);
  EXPECT_EQ(exchange(answer(command, reply(0x6A82))), -1099);
  EXPECT_EQ(GetReaderErrorCode(), 0x6A82);
}

// The protocol has no sequence numbers: an answer that comes after its wait must never be taken
// for the next command's. After an exchange that was not one send and one good reply, the next
// command goes out only once the reader has answered the empty frame, everything before that
// answer dropped.
TEST_F(Exchange, LateReplyOfAFailedExchangeIsDroppedBeforeTheNextCommand) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              for (int i = 0; i < 3; ++i) p.expect(kNack);
            }),
            -1081);
  const Bytes late = reply(0x9000, hex("11 22 90 00"));
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              if (!p.expect(kProbe)) return;
              p.send(late + late);  // the reply and its copy for a NACK, both late
              p.send(kNack);        // the answer to the empty frame
              if (p.expect(command)) p.send(good_reply);
            }),
            0);
  EXPECT_EQ(apdu.DataOut[0], 0xAA);
}

TEST_F(Exchange, ReadersCopyOfAReplyForANackIsNotTakenForTheNextReply) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              p.expect(kNack);  // the reply was slow: the library asked for it again ...
              p.send(good_reply);  // ... and took it; the copy comes later
            }),
            0);
  const Bytes other_reply = reply(0x9000, hex("CC DD 90 00"));
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              if (!p.expect(kProbe)) return;
              p.send(good_reply + kNack);
              if (p.expect(command)) p.send(other_reply);
            }),
            0);
  EXPECT_EQ(apdu.DataOut[0], 0xCC);
  EXPECT_EQ(exchange(answer(command, good_reply)), 0) << "a clean exchange needs no empty frame first";
}

// Late answers may come back to back, more of them than the receive buffer holds at once: the
// complete ones are taken, the one still coming stays, and the answer to the empty frame behind
// them is found.
TEST_F(Exchange, LateAnswersLongerThanTheReceiveBufferAreAllDropped) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              for (int i = 0; i < 3; ++i) p.expect(kNack);
            }),
            -1081);
  const Bytes late = frame(to_hex(hex("90 00 FF 00 FC") + Bytes(250, 0x11) + hex("90 00")));  // 523 bytes
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              if (!p.expect(kProbe)) return;
              p.send(late + late + kNack);
              if (p.expect(command)) p.send(good_reply);
            }),
            0);
  EXPECT_EQ(apdu.DataOut[0], 0xAA);
}

// A reader that does not answer the empty frame in time gets no command; the next exchange sends
// another empty frame and waits for both answers, so that the first one's is not taken for the
// second one's.
TEST_F(Exchange, UnansweredResynchronisationSendsNothingAndCountsItsEmptyFrame) {
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(command);
              for (int i = 0; i < 3; ++i) p.expect(kNack);
            }),
            -1081);
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              p.expect(kProbe);
              EXPECT_TRUE(p.silent_for(150ms)) << "no command while the reader owes answers";
            }),
            -1081);
  EXPECT_EQ(exchange([&](PtyPeer& p) {
              if (!p.expect(kProbe)) return;
              p.send(kNack);
              std::this_thread::sleep_for(20ms);
              p.send(kNack);
              if (p.expect(command)) p.send(good_reply);
            }),
            0);
}

// Lc counts the bytes of DataIn that go out; the APDU's Lc byte and the command's length byte are
// their low bytes, so 256 goes out as 00 with all 256 bytes. More than DataIn holds is refused.
TEST_F(Exchange, AnLcOf256SendsAllOfDataIn) {
  apdu.Lc = 256;
  for (int i = 0; i < 256; ++i) apdu.DataIn[i] = static_cast<uint8_t>(i);
  apdu.Le = 0;
  std::string data;
  for (int i = 0; i < 256; ++i) data += " " + to_hex({static_cast<uint8_t>(i)});
  EXPECT_EQ(exchange(answer(frame("A0 06 00 B0 00 00 00" + data + " 00"), reply(0x9000, hex("90 00")))), 0);
}

TEST_F(Exchange, AnLcBeyondDataInOrBelowZeroIsRefusedUnsent) {
  for (const int lc : {257, 289, 290, -1}) {
    apdu.Lc = lc;
    EXPECT_EQ(exchange([](PtyPeer& p) { EXPECT_TRUE(p.silent_for(30ms)); }), -1011) << "Lc " << lc;
  }
}

}  // namespace
