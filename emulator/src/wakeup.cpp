#include "wakeup.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace kitesim {

Wakeup::Wakeup() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (!fd_) throw std::system_error(errno, std::generic_category(), "eventfd");
}

void Wakeup::signal() {
  std::uint64_t one = 1;
  // The counter only grows; a failed write means it is already non-zero.
  [[maybe_unused]] auto written = ::write(fd_.get(), &one, sizeof one);
}

bool Wakeup::signalled() const {
  pollfd p{fd_.get(), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

short poll_with_wakeup(int fd, short events, const Wakeup& wakeup, int timeout_ms) {
  pollfd fds[2] = {{fd, events, 0}, {wakeup.fd(), POLLIN, 0}};
  int n = ::poll(fds, 2, timeout_ms);
  if (n <= 0 || (fds[1].revents & POLLIN)) return 0;
  return fds[0].revents;
}

}  // namespace kitesim
