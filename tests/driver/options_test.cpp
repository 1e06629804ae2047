#include "reader_fixture.h"

namespace {

using namespace testing_support;

const Bytes kInfo = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 01");
const Bytes kInfoNoRateChange = hex("4B 49 54 45 42 54 30 32 32 30 F8 FC 7F FF 0C 01");

class Options : public ReaderTest {
 protected:
  int32_t set(uint32_t option, uint32_t value, std::function<void(PtyPeer&)> script) {
    return with_reader(std::move(script), [&] { return QX_SetOptions(0, option, value); });
  }

  // The reader gives its information, then accepts or refuses the rate code.
  static std::function<void(PtyPeer&)> rate_change(const Bytes& info, const char* code, uint16_t status,
                                                   bool stx = true) {
    return [=](PtyPeer& p) {
      if (!p.expect(frame("01 00", stx))) return;
      p.send(reply(0x9000, info, stx));
      if (p.expect(frame(std::string("03 02 00 ") + code, stx))) p.send(reply(status, {}, stx));
    };
  }
};

TEST_F(Options, RateCodesOutsideOneToSevenSendNothing) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(QX_SetOptions(0, QX_OPT_BAUD_RATE, 8), -1082);
  EXPECT_EQ(QX_SetOptions(0, QX_OPT_BAUD_RATE, 0), -1082);
  EXPECT_TRUE(peer.silent_for(50ms));
}

TEST_F(Options, RateChangeMovesReaderThenLine) {
  ASSERT_EQ(open_reader(), 0);
  const struct {
    uint32_t value;
    const char* code;
    int rate;
  } cases[] = {{QX_BAUD_14400, "03", 14400}, {QX_BAUD_28800, "02", 28800}, {QX_BAUD_38400, "10", 38400},
               {QX_BAUD_57600, "01", 57600}, {QX_BAUD_115200, "00", 115200}, {QX_BAUD_19200, "11", 19200},
               {QX_BAUD_9600, "12", 9600}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    EXPECT_EQ(set(QX_OPT_BAUD_RATE, c.value, rate_change(kInfo, c.code, 0x9000)), 0);
    EXPECT_EQ(peer.line_rate(), c.rate);
  }
}

TEST_F(Options, ReaderWithoutRateChangeFirmwareIsRefusedAndTheRateKept) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(set(QX_OPT_BAUD_RATE, QX_BAUD_19200,
                [](PtyPeer& p) {
                  if (p.expect(frame("01 00"))) p.send(reply(0x9000, kInfoNoRateChange));
                  EXPECT_TRUE(p.silent_for(100ms));
                }),
            -1);
  EXPECT_EQ(peer.line_rate(), 9600);
}

TEST_F(Options, RefusedRateKeepsBothSides) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(set(QX_OPT_BAUD_RATE, QX_BAUD_57600, rate_change(kInfo, "01", 0x6003)), -1);
  EXPECT_EQ(peer.line_rate(), 9600);
}

TEST_F(Options, KiteaHasItsOwnRateCodesAndFewerRates) {
  ASSERT_EQ(open_reader(QX_READER_KITEA), 0);
  EXPECT_EQ(set(QX_OPT_BAUD_RATE, QX_BAUD_19200, rate_change(kInfo, "20", 0x9000, false)), 0);
  EXPECT_EQ(peer.line_rate(), 19200);
  EXPECT_EQ(set(QX_OPT_BAUD_RATE, QX_BAUD_14400,
                [](PtyPeer& p) {
                  if (p.expect(frame("01 00", false))) p.send(reply(0x9000, kInfo, false));
                  EXPECT_TRUE(p.silent_for(100ms));
                }),
            -1);
}

TEST_F(Options, TopRateOption) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(set(QX_OPT_TOP_RATE, 0,
                [](PtyPeer& p) {
                  if (p.expect(frame("03 01 00"))) p.send(reply(0x9000));
                  rate_change(kInfo, "00", 0x9000)(p);
                }),
            0);
  EXPECT_EQ(peer.line_rate(), 115200);
}

TEST_F(Options, ReaderOptionSendsTheLowByte) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(set(QX_OPT_READER, 0x1A5, answer(frame("03 01 A5"), reply(0x9000))), 0);
  EXPECT_EQ(set(QX_OPT_READER, 0x01, answer(frame("03 01 01"), reply(0x6004))), -1004);
}

TEST_F(Options, EnableFallsBackTo8AWhenRefused) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(set(QX_OPT_ENABLE, 0,
                [](PtyPeer& p) {
                  for (int i = 0; i < 3; ++i) {  // the reader asks for 07 01 again until the exchange gives up
                    if (p.expect(frame("07 01 01"))) p.send(frame("", true, 0x05));
                  }
                  // After an exchange that did not end in a reply, the line is resynchronised first.
                  if (p.expect(kProbe)) p.send(kNack);
                  if (p.expect(frame("8A 00"))) p.send(reply(0x9000));
                }),
            0);
  EXPECT_EQ(set(QX_OPT_ENABLE, 0, answer(frame("07 01 01"), reply(0x6005))), -1083);
}

TEST_F(Options, DisableNeedsBitZeroOfTheAnswer) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(set(QX_OPT_DISABLE, 0, answer(frame("07 01 00"), reply(0x9000, hex("01")))), 0);
  EXPECT_EQ(set(QX_OPT_DISABLE, 0, answer(frame("07 01 00"), reply(0x9000, hex("02")))), -1083);
  EXPECT_EQ(set(QX_OPT_DISABLE, 0, answer(frame("07 01 00"), reply(0x9000))), -1083);
}

TEST_F(Options, ModeOption) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(set(QX_OPT_MODE, 1, answer(frame("06 01 01"), reply(0x9000))), 0);
  EXPECT_EQ(set(QX_OPT_MODE, 5, answer(frame("06 01 02"), reply(0x9000))), 0);
}

TEST_F(Options, UnsupportedOptionsGiveMinus1083) {
  ASSERT_EQ(open_reader(), 0);
  for (uint32_t option : {0u, 5u, 6u, 10u, 11u, 0xFFFFFFFFu}) EXPECT_EQ(QX_SetOptions(0, option, 1), -1083) << option;
  EXPECT_TRUE(peer.silent_for(50ms));
}

TEST_F(Options, OptionBytesAreReadIntoTheBuffer) {
  ASSERT_EQ(open_reader(), 0);
  uint8_t buffer[4] = {};
  EXPECT_EQ(QX_Options(0, QX_OPT_READ_BYTES, 0, buffer, 5), -1082);
  EXPECT_EQ(QX_Options(0, QX_OPT_READ_BYTES, 0, buffer, -1), -1082);
  EXPECT_EQ(QX_Options(0, QX_OPT_READ_BYTES, 0, nullptr, 2), -600);
  EXPECT_EQ(with_reader(answer(frame("08 01 03"), reply(0x9000, hex("0A 0B 0C"))),
                        [&] { return QX_Options(0, QX_OPT_READ_BYTES, 0, buffer, 3); }),
            0);
  EXPECT_EQ(buffer[0], 0x0A);
  EXPECT_EQ(buffer[2], 0x0C);
}

TEST_F(Options, ReaderWithoutOptionBytesGivesItsCardTypeMask) {
  ASSERT_EQ(open_reader(), 0);
  uint8_t buffer[4] = {9, 9, 9, 9};
  EXPECT_EQ(with_reader(
                [](PtyPeer& p) {
                  if (p.expect(frame("08 01 04"))) p.send(reply(0x6005));
                  if (p.expect(frame("01 00"))) p.send(reply(0x9000, kInfo));
                },
                [&] { return QX_Options(0, QX_OPT_READ_BYTES, 0, buffer, 4); }),
            0);
  EXPECT_EQ(buffer[0], 0x7F);
  EXPECT_EQ(buffer[1], 0xFF);
  EXPECT_EQ(buffer[2], 0);
  EXPECT_EQ(buffer[3], 0);
}

TEST_F(Options, OtherOptionsPassToSetOptions) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(with_reader(answer(frame("06 01 01"), reply(0x9000)), [] { return QX_Options(0, 9, 1, nullptr, 99); }), 0);
}

}  // namespace
