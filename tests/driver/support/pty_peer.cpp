// Uses the kernel's termios2 to read the line rate, so <termios.h> stays out of this file.
#include "pty_peer.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace testing_support {

PtyPeer::PtyPeer() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) throw std::runtime_error("no pty");
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("no pty name");
  slave_path_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  // Raw until the library sets the line up itself: no echo, no line editing.
  termios2 t{};
  ::ioctl(slave_, TCGETS2, &t);
  t.c_iflag = 0;
  t.c_oflag = 0;
  t.c_lflag = 0;
  ::ioctl(slave_, TCSETS2, &t);
  int on = 1;
  ::ioctl(master_, TIOCPKT, &on);
}

PtyPeer::~PtyPeer() {
  join();
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

void PtyPeer::serve(std::function<void(PtyPeer&)> script) {
  join();
  flushes_ = 0;  // a script waits for purges made while it runs
  script_ = std::thread([this, script = std::move(script)] { script(*this); });
}

void PtyPeer::join() {
  if (script_.joinable()) script_.join();
}

bool PtyPeer::pump(std::chrono::milliseconds timeout) {
  if (master_ < 0) return false;
  pollfd p{master_, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
  uint8_t packet[4096];
  const ssize_t n = ::read(master_, packet, sizeof packet);
  if (n <= 0) return false;
  if (packet[0] == TIOCPKT_DATA) {
    pending_.insert(pending_.end(), packet + 1, packet + n);
  } else if (packet[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) {
    ++flushes_;
  }
  return true;
}

Bytes PtyPeer::read_exactly(size_t count, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (pending_.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !pump(left)) break;
  }
  const size_t taken = std::min(count, pending_.size());
  Bytes out(pending_.begin(), pending_.begin() + static_cast<long>(taken));
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(taken));
  return out;
}

bool PtyPeer::expect(const Bytes& expected, std::chrono::milliseconds timeout) {
  const Bytes got = read_exactly(expected.size(), timeout);
  EXPECT_EQ(to_hex(got), to_hex(expected));
  return got == expected;
}

void PtyPeer::send(const Bytes& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      ADD_FAILURE() << "write to the pty master failed";
      return;
    }
    done += static_cast<size_t>(n);
  }
}

bool PtyPeer::await_flush(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (flushes_ == 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !pump(left)) return false;
  }
  --flushes_;
  return true;
}

bool PtyPeer::silent_for(std::chrono::milliseconds period) {
  const auto deadline = std::chrono::steady_clock::now() + period;
  for (;;) {
    if (!pending_.empty()) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    pump(left);
  }
}

int PtyPeer::line_rate() const {
  termios2 t{};
  if (::ioctl(master_, TCGETS2, &t) != 0) return -1;
  return static_cast<int>(t.c_ospeed);
}

void PtyPeer::hang_up() {
  ::close(slave_);
  slave_ = -1;
  ::close(master_);
  master_ = -1;
}

}  // namespace testing_support
