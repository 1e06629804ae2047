// Auto-detection: the reader is reset by DTR and announces its rate in a start-up frame.
#include "reader_fixture.h"

namespace {

using namespace testing_support;

class Detection : public ReaderTest {
 protected:
  // Plays a reader that announces `startup` after the reset, then answers the probe.
  int32_t open_autodetect(const Bytes& startup, const Bytes& probe_answer = kNack) {
    return with_reader(
        [=](PtyPeer& p) {
          // The library purges the line just before it pulses DTR; the reader then announces itself.
          if (!p.await_flush()) return;
          if (!startup.empty()) p.send(startup);
          if (p.expect(kProbe)) p.send(probe_answer);
        },
        [] { return QX_Open(QX_READER_AUTODETECT, QX_PORT_COM1); });
  }

  int32_t baud_rate() {
    QX_INFO info{};
    const Bytes data = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 01");
    EXPECT_EQ(with_reader(answer(frame("01 00"), reply(0x9000, data)), [&] { return QX_GetInfo(0, &info); }), 0);
    return info.BaudRate;
  }
};

TEST_F(Detection, EachAnnouncedRateCodeSetsPortAndLine) {
  const struct {
    const char* code;
    int rate;
  } cases[] = {{"00", 115200}, {"01", 57600}, {"11", 19200}, {"12", 9600}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    ASSERT_EQ(open_autodetect(frame(std::string("FF 00 01 ") + c.code)), 0);
    EXPECT_EQ(peer.line_rate(), c.rate);
    EXPECT_EQ(baud_rate(), c.rate);
    ASSERT_EQ(QX_Close(0), 0);
  }
}

TEST_F(Detection, NoStartupFrameMeansKiteaAt9600WithoutStx) {
  ASSERT_EQ(open_autodetect({}, Bytes(kNack.begin() + 1, kNack.end())), 0);
  EXPECT_EQ(peer.line_rate(), 9600);
  QX_INFO info{};
  const Bytes data = hex("4B 49 54 45 41 54 30 31 30 30 F8 FC 00 07 00 00");
  EXPECT_EQ(with_reader(answer(frame("01 00", false), reply(0x9000, data, false)), [&] { return QX_GetInfo(0, &info); }), 0);
  EXPECT_EQ(std::string(info.FWRevision, 10), "KITEAT0100");
}

TEST_F(Detection, StartupFrameThatIsNotOneLeavesTheRateAndTheFraming) {
  ASSERT_EQ(open_autodetect(frame("FF 00 02 00")), 0);
  EXPECT_EQ(peer.line_rate(), 9600);
  EXPECT_EQ(baud_rate(), 9600);
}

TEST_F(Detection, UnknownRateCodeLeavesTheRate) {
  ASSERT_EQ(open_autodetect(frame("FF 00 01 05")), 0);
  EXPECT_EQ(peer.line_rate(), 9600);
}

TEST_F(Detection, OptionFourResetsAFixedRateReaderToItsOwnRate) {
  ASSERT_EQ(open_reader(QX_READER_KITEB_19200), 0);
  EXPECT_EQ(with_reader([](PtyPeer& p) { EXPECT_TRUE(p.await_flush()); },
                        [] { return QX_SetOptions(0, QX_OPT_DETECT, 7); }),
            0);
  EXPECT_EQ(peer.line_rate(), 19200);
}

}  // namespace
