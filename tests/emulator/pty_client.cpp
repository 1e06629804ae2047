// <asm/termbits.h> (termios2, any rate) cannot share a file with <termios.h>.
#include "pty_client.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kitesim::testing {

bool set_pty_slave_rate(int fd, std::uint32_t rate) {
  termios2 t{};
  if (::ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_iflag = 0;
  t.c_oflag = 0;
  t.c_lflag = 0;
  t.c_cflag = (t.c_cflag & ~(CBAUD | CSIZE | PARENB | CSTOPB)) | CS8 | CREAD | CLOCAL | BOTHER;
  t.c_ispeed = t.c_ospeed = rate;
  return ::ioctl(fd, TCSETS2, &t) == 0;
}

UniqueFd open_pty_slave(const std::string& path, std::uint32_t rate) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (fd && !set_pty_slave_rate(fd.get(), rate)) fd.reset();
  return fd;
}

std::vector<std::uint8_t> read_frames(int fd, int timeout_ms) {
  std::vector<std::uint8_t> bytes;
  while (bytes.empty() || bytes.back() != 0x03) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) != 1) break;
    std::uint8_t buffer[1024];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

}  // namespace kitesim::testing
