// The tty backend's purge drops what the reader sent and we have not read, and never what we
// wrote and the reader has not read yet: a command dropped there would leave its NACK to bring
// back the answer to the command before.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>

#include "line.h"
#include "unique_fd.h"

namespace {

using namespace std::chrono_literals;

struct PtyPair {
  pelorus::UniqueFd master{::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)};
  std::string slave;

  PtyPair() {
    std::array<char, 128> name{};
    if (!master || ::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0 ||
        ::ptsname_r(master.get(), name.data(), name.size()) != 0) {
      return;
    }
    termios t{};
    ::tcgetattr(master.get(), &t);
    ::cfmakeraw(&t);
    ::tcsetattr(master.get(), TCSANOW, &t);
    slave = name.data();
  }

  // Reads up to `count` bytes from the master within a second.
  std::string read_master(size_t count) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{master.get(), POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      std::array<char, 256> buffer{};
      const ssize_t n = ::read(master.get(), buffer.data(), buffer.size());
      if (n > 0) got.append(buffer.data(), static_cast<size_t>(n));
    }
    return got;
  }
};

TEST(TtyLine, PurgeDropsWhatArrivedAndKeepsWhatWasWritten) {
  PtyPair pty;
  ASSERT_FALSE(pty.slave.empty());
  auto line = pelorus::open_line(pty.slave, 9600);
  ASSERT_NE(line, nullptr);
  const std::string frame = "\x02" "01A00600EE0000001059\x03";
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
  // The frame is purged the moment it is written, many times over, so that the purge also comes
  // while the bytes are still on their way through the terminal.
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(::write(pty.master.get(), "stale", 5), 5);
    pollfd p{line->poll_fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    ASSERT_TRUE(line->write_all(bytes, 100ms));
    line->purge();
    std::array<uint8_t, 16> in{};
    EXPECT_EQ(line->read_available(in), 0) << "what the reader sent before the purge is dropped";
    ASSERT_EQ(pty.read_master(frame.size()), frame) << "round " << i;
  }
}

}  // namespace
