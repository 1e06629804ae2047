// Only the kernel's termios2 is used here (it sets any rate with BOTHER); the C library's
// <termios.h> would clash with it, so this file must not include it.
#include "tty_line.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "trace.h"
#include "unique_fd.h"

namespace pelorus {
namespace {

using Clock = std::chrono::steady_clock;

class TtyLine final : public Line {
 public:
  TtyLine(std::string path, UniqueFd fd) : Line(std::move(path)), fd_(std::move(fd)) {}
  ~TtyLine() override { ::ioctl(fd_.get(), TIOCNXCL); }

  int poll_fd() const override { return fd_.get(); }

  long read_available(std::span<uint8_t> out) override {
    if (out.empty()) return 0;
    const ssize_t n = ::read(fd_.get(), out.data(), out.size());
    if (n > 0) return n;
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    if (n == 0) {
      trace::format("read %s: end of file (hung up)\n", name().c_str());
    } else {
      trace::system_error("read", name(), errno);
    }
    return -1;
  }

  bool write_all(std::span<const uint8_t> bytes, std::chrono::microseconds wait) override {
    const auto deadline = Clock::now() + wait;
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
      if (n > 0) {
        bytes = bytes.subspan(static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) {
        trace::system_error("write", name(), errno);
        return false;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return true;  // still pending: the reply wait decides
      pollfd p{fd_.get(), POLLOUT, 0};
      if (::poll(&p, 1, static_cast<int>(left.count()) + 1) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
        trace::format("write %s: line hung up\n", name().c_str());
        return false;
      }
    }
    return true;
  }

  bool set_rate(int bits_per_second) override {
    termios2 t{};
    if (::ioctl(fd_.get(), TCGETS2, &t) != 0) {
      trace::system_error("TCGETS2", name(), errno);
      return false;
    }
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(bits_per_second);
    t.c_ospeed = static_cast<speed_t>(bits_per_second);
    if (::ioctl(fd_.get(), TCSETS2, &t) != 0) {
      trace::system_error("TCSETS2 (line rate)", name(), errno);
      return false;
    }
    return true;
  }

  void set_dtr(bool on) override {
    const int bits = TIOCM_DTR;
    if (::ioctl(fd_.get(), on ? TIOCMBIS : TIOCMBIC, &bits) != 0) note_no_modem_lines(errno);
  }

  bool cts() override {
    int bits = 0;
    if (::ioctl(fd_.get(), TIOCMGET, &bits) != 0) {
      note_no_modem_lines(errno);
      return false;
    }
    return (bits & TIOCM_CTS) != 0;
  }

  void purge() override {
    if (::ioctl(fd_.get(), TCFLSH, TCIFLUSH) != 0) trace::system_error("TCFLSH", name(), errno);
  }

 private:
  // A pseudo-terminal has no modem lines: DTR does nothing and CTS reads as off. Said once.
  void note_no_modem_lines(int err) {
    if (!modem_lines_reported_.exchange(true)) trace::system_error("modem lines of", name(), err);
  }

  UniqueFd fd_;
  std::atomic<bool> modem_lines_reported_{false};
};

bool make_raw_8n1(int fd, const std::string& path, int bits_per_second) {
  termios2 t{};
  if (::ioctl(fd, TCGETS2, &t) != 0) {
    trace::system_error("TCGETS2 (not a terminal?)", path, errno);
    return false;
  }
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL | CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= CS8 | CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = static_cast<speed_t>(bits_per_second);
  t.c_ospeed = static_cast<speed_t>(bits_per_second);
  t.c_cc[VMIN] = 1;  // with O_NONBLOCK: no data reads as EAGAIN, and 0 means hung up
  t.c_cc[VTIME] = 0;
  if (::ioctl(fd, TCSETS2, &t) != 0) {
    trace::system_error("TCSETS2", path, errno);
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<Line> open_tty_line(const std::string& path, int bits_per_second) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    trace::system_error("open", path, errno);
    if (errno == EACCES) trace::format("%s: add the user to the device's group (often dialout)\n", path.c_str());
    return nullptr;
  }
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    trace::system_error("flock (port in use by another program?)", path, errno);
    return nullptr;
  }
  if (!make_raw_8n1(fd.get(), path, bits_per_second)) return nullptr;
  if (::ioctl(fd.get(), TIOCEXCL) != 0) {
    trace::system_error("TIOCEXCL", path, errno);
    return nullptr;
  }
  auto line = std::make_unique<TtyLine>(path, std::move(fd));
  line->set_dtr(true);
  return line;
}

}  // namespace pelorus
