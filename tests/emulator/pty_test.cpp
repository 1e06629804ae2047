// The pseudo-terminal transport: the PC side opens the slave like a serial port.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "frame_codec.h"
#include "kitesim/emulator.h"
#include "line_settings.h"
#include "pty_client.h"

namespace kitesim {
namespace {

using namespace std::chrono_literals;

Bytes command(std::initializer_list<std::uint8_t> bytes) { return encode_frame(header_data, Bytes(bytes), true); }

void write_all(int fd, const Bytes& bytes) { ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }

class PtyTest : public ::testing::Test {
 protected:
  Emulator emulator;
  std::string slave = emulator.start_pty();
};

TEST_F(PtyTest, ProbeAndCommandsGoBothWays) {
  auto pc = testing::open_pty_slave(slave, 9600);
  ASSERT_TRUE(pc);
  write_all(pc.get(), {stx, etx});
  EXPECT_EQ(testing::read_frames(pc.get()), nack_frame(true));
  write_all(pc.get(), command({0x02, 0x01, 0x02}));
  EXPECT_EQ(testing::read_frames(pc.get()), encode_frame(header_data, Bytes{0x90, 0x00, 0x00}, true));
}

TEST_F(PtyTest, PcAtAnotherRateIsNotUnderstoodEitherWay) {
  auto pc = testing::open_pty_slave(slave, 19200);
  ASSERT_TRUE(pc);
  write_all(pc.get(), {stx, etx});
  ASSERT_TRUE(emulator.wait_for([](const ReaderState& s) { return s.bytes_ignored == 2; }, 5s));
  EXPECT_EQ(emulator.state().frames_received, 0u);

  // The card-event frame reaches the PC as noise of the same length.
  emulator.insert(make_card("mcu-t0"));
  Bytes noise;
  while (noise.size() < 12) {
    pollfd p{pc.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    std::uint8_t buffer[64];
    ssize_t n = ::read(pc.get(), buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    noise.insert(noise.end(), buffer, buffer + n);
  }
  EXPECT_EQ(noise, garble(encode_frame(header_data, Bytes{0xFF, 0x01, 0x00}, true)));
}

TEST_F(PtyTest, RateChangeTo14400FollowsThePcSettingsOfTermios2) {
  auto pc = testing::open_pty_slave(slave, 9600);
  ASSERT_TRUE(pc);
  write_all(pc.get(), command({0x03, 0x02, 0x00, 0x03}));
  EXPECT_EQ(testing::read_frames(pc.get()), encode_frame(header_data, Bytes{0x90, 0x00, 0x00}, true));
  ASSERT_TRUE(emulator.wait_for([](const ReaderState& s) { return s.rate == 14400; }, 5s));
  ASSERT_TRUE(testing::set_pty_slave_rate(pc.get(), 14400));
  write_all(pc.get(), command({0x01, 0x00}));
  Bytes reply = testing::read_frames(pc.get());
  ASSERT_GT(reply.size(), 8u);
  EXPECT_EQ((Bytes(reply.begin(), reply.begin() + 7)), (Bytes{stx, '0', '1', '9', '0', '0', '0'}));
}

TEST_F(PtyTest, SlaveClosedAndOpenedAgainStillWorks) {
  {
    auto first = testing::open_pty_slave(slave, 9600);
    ASSERT_TRUE(first);
    write_all(first.get(), {stx, etx});
    EXPECT_EQ(testing::read_frames(first.get()), nack_frame(true));
  }
  // Nobody listens now; the event frame (the second write) is lost and never read later.
  emulator.insert(make_card("iic"));
  ASSERT_TRUE(emulator.wait_for([](const ReaderState& s) { return s.line_writes == 2; }, 5s));
  auto second = testing::open_pty_slave(slave, 9600);
  ASSERT_TRUE(second);
  write_all(second.get(), {stx, etx});
  EXPECT_EQ(testing::read_frames(second.get()), nack_frame(true));
  EXPECT_EQ(emulator.state().probes_received, 2u);
}

TEST_F(PtyTest, PacedOutputArrivesWhole) {
  emulator.set_paced(true);
  auto pc = testing::open_pty_slave(slave, 9600);
  ASSERT_TRUE(pc);
  emulator.insert(make_card("mcu-t0"));
  EXPECT_EQ(testing::read_frames(pc.get()), encode_frame(header_data, Bytes{0xFF, 0x01, 0x00}, true));
  write_all(pc.get(), command({0x03, 0x02, 0x00, 0x00}));  // 115200, to keep the test short
  EXPECT_EQ(testing::read_frames(pc.get()), encode_frame(header_data, Bytes{0x90, 0x00, 0x00}, true));
  ASSERT_TRUE(emulator.wait_for([](const ReaderState& s) { return s.rate == 115200; }, 5s));
  ASSERT_TRUE(testing::set_pty_slave_rate(pc.get(), 115200));
  write_all(pc.get(), command({0x80, 0x00}));
  testing::read_frames(pc.get());
  write_all(pc.get(), command({0xA0, 0x06, 0x80, 0xEE, 0x00, 0x00, 0x00, 0x00}));
  Bytes reply = testing::read_frames(pc.get());
  EXPECT_EQ(reply.size(), 2u * (1u + 5u + 258u + 1u) + 2u);
}

TEST(Pty, EachEmulatorHasItsOwnTerminal) {
  Emulator a, b;
  EXPECT_NE(a.start_pty(), b.start_pty());
  EXPECT_THROW(a.start_pty(), std::logic_error);
}

}  // namespace
}  // namespace kitesim
