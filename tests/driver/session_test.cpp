#include <cstring>

#include "reader_fixture.h"

namespace {

using namespace testing_support;

class Session : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    ASSERT_EQ(open_reader(), 0);
  }

  int32_t start(QX_SESSION& session, std::function<void(PtyPeer&)> script) {
    return with_reader(std::move(script), [&] { return QX_StartSession(0, &session); });
  }

  // Select answered 90 00, power-up answered with `status` and the ATR.
  static std::function<void(PtyPeer&)> card(const char* select, uint16_t status, const Bytes& atr) {
    return [=](PtyPeer& p) {
      if (p.expect(frame(select))) p.send(reply(0x9000));
      if (p.expect(frame("80 00"))) p.send(reply(status, atr));
    };
  }
};

TEST_F(Session, CardTypeAbove25AndNullRecordSendNothing) {
  QX_SESSION session{};
  session.CardType = 26;
  EXPECT_EQ(QX_StartSession(0, &session), -1003);
  EXPECT_EQ(QX_StartSession(0, nullptr), -600);
  EXPECT_TRUE(peer.silent_for(50ms));
}

TEST_F(Session, AutoDetectBecomesT0OrT1ByTheResetStatus) {
  QX_SESSION session{};
  EXPECT_EQ(start(session, card("02 01 00", 0x9001, hex("3B 02 14"))), 0);
  EXPECT_EQ(session.CardType, QX_CARD_MCU_T1);
  EXPECT_EQ(session.ATRLen, 3);
  EXPECT_EQ(session.ATR[2], 0x14);
  EXPECT_EQ(session.Spare, 0);

  session = QX_SESSION{};
  EXPECT_EQ(start(session, card("02 01 00", 0x9000, hex("3B 00"))), 0);
  EXPECT_EQ(session.CardType, QX_CARD_MCU_T0);
}

TEST_F(Session, T1CardAnsweringAsT0BecomesT0) {
  QX_SESSION session{};
  session.CardType = QX_CARD_MCU_T1;
  EXPECT_EQ(start(session, card("02 01 0D", 0x9001, hex("3B 00"))), 0);
  EXPECT_EQ(session.CardType, QX_CARD_MCU_T0);
  EXPECT_EQ(GetReaderErrorCode(), 0x9001);
}

TEST_F(Session, AnswerToResetLongerThanTheRecordIsCut) {
  Bytes atr(140);
  for (size_t i = 0; i < atr.size(); ++i) atr[i] = static_cast<uint8_t>(i + 1);
  struct {
    QX_SESSION session;
    uint8_t guard[16];
  } padded{};
  std::memset(padded.guard, 0xEE, sizeof padded.guard);
  padded.session.CardType = QX_CARD_MCU_T0;
  EXPECT_EQ(start(padded.session, card("02 01 0C", 0x9000, atr)), 0);
  EXPECT_EQ(padded.session.ATRLen, 128);
  EXPECT_EQ(padded.session.ATR[127], 128);
  EXPECT_EQ(padded.session.Spare, 0);
  for (uint8_t b : padded.guard) EXPECT_EQ(b, 0xEE);
}

TEST_F(Session, SelectRefusedReturnsItsCodeAndKeepsThePreviousCardType) {
  QX_SESSION session{};
  session.CardType = QX_CARD_IIC;
  EXPECT_EQ(start(session, answer(frame("02 01 02"), reply(0x6003))), -1003);
  EXPECT_EQ(GetReaderErrorCode(), 0x6003);
  QX_APDU apdu{};
  EXPECT_EQ(QX_ExchangeAPDU(0, &apdu), -1001) << "no session yet";
}

TEST_F(Session, NewHandleOnAReusedSlotStartsWithoutSession) {
  QX_SESSION session{};
  session.CardType = QX_CARD_MCU_T0;
  ASSERT_EQ(start(session, card("02 01 0C", 0x9000, hex("3B 00"))), 0);
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 1);
  ASSERT_EQ(QX_Close(0), 0);
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  QX_APDU apdu{};
  EXPECT_EQ(QX_ExchangeAPDU(0, &apdu), -1001);
}

TEST_F(Session, MemoryCardExchangesCheckClaAndIns) {
  QX_SESSION session{};
  session.CardType = QX_CARD_IIC;
  ASSERT_EQ(start(session, card("02 01 02", 0x9000, {})), 0);
  QX_APDU apdu{};
  apdu.CLA = 1;
  apdu.INS = 1;
  EXPECT_EQ(QX_ExchangeAPDU(0, &apdu), -1050);
  apdu.CLA = 0;
  apdu.INS = 0;
  EXPECT_EQ(QX_ExchangeAPDU(0, &apdu), -1005);
  apdu.INS = 20;
  EXPECT_EQ(QX_ExchangeAPDU(0, &apdu), -1005);
  EXPECT_TRUE(peer.silent_for(50ms));
}

TEST_F(Session, Lm221ConfigurationIsWrittenBackAtTheFirstClearBit) {
  QX_SESSION session{};
  session.CardType = QX_CARD_LM221;
  EXPECT_EQ(start(session,
                  [](PtyPeer& p) {
                    card("02 01 01", 0x9000, hex("A2 13 10 91"))(p);
                    // Sixth byte 0x05: bits 0 and 2 set, bit 1 clear, so byte 1 is written to 8 + 1.
                    if (p.expect(frame("90 03 00 08 06"))) p.send(reply(0x9000, hex("11 22 33 44 55 05")));
                    if (p.expect(frame("91 04 00 09 03 22"))) p.send(reply(0x9000));
                  }),
            0);
  EXPECT_EQ(session.CardType, QX_CARD_LM221);
  EXPECT_EQ(session.ATRLen, 4);
}

TEST_F(Session, Lm221WithAllFourBitsSetWritesNothing) {
  QX_SESSION session{};
  session.CardType = QX_CARD_LM221;
  EXPECT_EQ(start(session,
                  [](PtyPeer& p) {
                    card("02 01 01", 0x9000, hex("A2 13 10 91"))(p);
                    if (p.expect(frame("90 03 00 08 06"))) p.send(reply(0x9000, hex("11 22 33 44 55 0F")));
                    EXPECT_TRUE(p.silent_for(100ms));
                  }),
            0);
}

TEST_F(Session, Lm221ConfigurationFailureIsMinus1006) {
  QX_SESSION session{};
  session.CardType = QX_CARD_LM221;
  EXPECT_EQ(start(session,
                  [](PtyPeer& p) {
                    card("02 01 01", 0x9000, hex("A2 13 10 91"))(p);
                    if (p.expect(frame("90 03 00 08 06"))) p.send(reply(0x9000, hex("11 22 33 44 55")));
                  }),
            -1006);
}

TEST_F(Session, SecurityModuleIsResetAndPoweredDownWithItsOwnCommands) {
  QX_SESSION session{};
  session.CardType = QX_CARD_SC_MODULE;
  session.SCModule = 0x5A;
  EXPECT_EQ(start(session, answer(frame("88 01 5A"), reply(0x9000, hex("3B 11 22")))), 0);
  EXPECT_EQ(session.CardType, QX_CARD_SC_MODULE);
  EXPECT_EQ(session.ATRLen, 3);
  // Powering the module down looks at the transfer only, not at the status.
  EXPECT_EQ(with_reader(answer(frame("89 00"), reply(0x6A82)), [] { return QX_EndSession(0); }), 0);
}

TEST_F(Session, EndSessionPowersTheCardDownAndChecksTheStatus) {
  EXPECT_EQ(with_reader(answer(frame("81 00"), reply(0x9001)), [] { return QX_EndSession(0); }), 0);
  EXPECT_EQ(GetReaderErrorCode(), 0x9001);
  EXPECT_EQ(with_reader(answer(frame("81 00"), reply(0x6002)), [] { return QX_EndSession(0); }), -1002);
}

TEST_F(Session, InformationBlockFillsTheRecord) {
  QX_INFO info{};
  const Bytes data = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 03");
  EXPECT_EQ(with_reader(answer(frame("01 00"), reply(0x9000, data)), [&] { return QX_GetInfo(0, &info); }), 0);
  EXPECT_EQ(std::string(info.FWRevision, 10), "KITEBT0310");
  EXPECT_EQ(info.MaxC, 0xF8);
  EXPECT_EQ(info.MaxR, 0xFC);
  EXPECT_EQ(info.CardTypeMask, 0x7FFF);
  EXPECT_EQ(info.CurrentCardType, 0x0C);
  EXPECT_EQ(info.CardStatus, 0x03);
  EXPECT_EQ(info.LibraryVersion, 501);
  EXPECT_EQ(info.BaudRate, 9600);
}

TEST_F(Session, ShortInformationBlockIsRefused) {
  QX_INFO info{};
  info.LibraryVersion = 7;
  EXPECT_EQ(with_reader(answer(frame("01 00"), reply(0x9000, hex("4B 49"))), [&] { return QX_GetInfo(0, &info); }),
            -1080);
  EXPECT_EQ(info.LibraryVersion, 7);
  EXPECT_EQ(QX_GetInfo(0, nullptr), -600);
}

}  // namespace
