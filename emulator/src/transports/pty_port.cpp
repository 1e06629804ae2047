#include "pty_port.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>

#include <array>
#include <cerrno>
#include <system_error>

#include "pty_settings.h"

namespace kitesim {
namespace {

constexpr int slave_open_check_ms = 100;  // fallback should inotify miss an open

[[noreturn]] void fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

PtyPort::PtyPort(LineEnd& line, std::uint32_t initial_rate)
    : line_(line), master_(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
  if (!master_) fail("posix_openpt");
  if (::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0) fail("unlockpt");
  std::array<char, 128> name{};
  if (::ptsname_r(master_.get(), name.data(), name.size()) != 0) fail("ptsname_r");
  slave_path_ = name.data();
  if (!set_pty_raw(master_.get(), initial_rate)) fail("TCSETS2 on the pseudo-terminal");
  slave_opens_.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (!slave_opens_ || ::inotify_add_watch(slave_opens_.get(), slave_path_.c_str(), IN_OPEN) < 0)
    ever_opened_ = true;  // cannot tell: send always
  thread_ = std::thread([this] { run(); });
}

PtyPort::~PtyPort() {
  stop_.signal();
  thread_.join();
}

void PtyPort::take_slave_opens() {
  std::lock_guard lock(slave_opens_mutex_);
  std::array<char, 512> events{};
  while (::read(slave_opens_.get(), events.data(), events.size()) > 0) ever_opened_ = true;
}

bool PtyPort::slave_ever_opened() {
  if (!ever_opened_) take_slave_opens();
  return ever_opened_;
}

bool PtyPort::slave_hung_up() const {
  pollfd p{master_.get(), 0, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
}

LineSettings PtyPort::pc_settings() const {
  LineSettings settings;
  read_pty_settings(master_.get(), settings);
  return settings;
}

void PtyPort::run() {
  std::array<std::uint8_t, 1024> buffer{};
  bool hung_up = false;
  for (;;) {
    // A hung-up master reports POLLHUP at once on every poll, so it is left out until the slave
    // is opened again.
    pollfd fds[3] = {{stop_.fd(), POLLIN, 0},
                     {slave_opens_.get(), POLLIN, 0},
                     {hung_up ? -1 : master_.get(), POLLIN, 0}};
    if (::poll(fds, 3, hung_up ? slave_open_check_ms : -1) < 0) continue;
    if (fds[0].revents & POLLIN) return;
    if (fds[1].revents & POLLIN) take_slave_opens();
    if (hung_up) {
      hung_up = slave_hung_up();
      continue;
    }
    if (fds[2].revents & POLLIN) {
      ssize_t n = ::read(master_.get(), buffer.data(), buffer.size());
      if (n > 0) {
        ever_opened_ = true;
        line_.from_pc(std::span(buffer.data(), static_cast<std::size_t>(n)), pc_settings());
        continue;
      }
    }
    if (fds[2].revents & (POLLHUP | POLLERR)) hung_up = true;
  }
}

void PtyPort::transmit(std::span<const std::uint8_t> bytes, std::uint32_t reader_rate) {
  // Nobody listens: what the reader sends now is lost, as on a serial line with nothing attached.
  // The hang-up is checked here and now, not taken from the reading thread, which may not have
  // seen a close yet; bytes written after it would wait in the terminal for the next open.
  if (!slave_ever_opened() || slave_hung_up()) return;
  LineSettings pc = pc_settings();
  std::vector<std::uint8_t> noise;
  if (!line_matches(pc, reader_rate)) {
    noise = garble(bytes);
    bytes = noise;
  }
  // Non-blocking: a PC side that does not read loses what does not fit, as on a real line.
  while (!bytes.empty()) {
    ssize_t n = ::write(master_.get(), bytes.data(), bytes.size());
    if (n <= 0) return;
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
}

}  // namespace kitesim
