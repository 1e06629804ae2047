// <asm/termbits.h> and <termios.h> define the same names; this file uses only the former.
#include "pty_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace kitesim {

bool read_pty_settings(int master_fd, LineSettings& settings) {
  termios2 t{};
  if (::ioctl(master_fd, TCGETS2, &t) != 0) return false;
  settings.rate = t.c_ospeed;
  settings.format_8n1 = (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & PARENB) && !(t.c_cflag & CSTOPB);
  return true;
}

bool set_pty_raw(int master_fd, std::uint32_t rate) {
  termios2 t{};
  if (::ioctl(master_fd, TCGETS2, &t) != 0) return false;
  t.c_iflag = 0;
  t.c_oflag = 0;
  t.c_lflag = 0;
  t.c_cflag = static_cast<tcflag_t>((t.c_cflag & ~(CBAUD | CSIZE | PARENB | CSTOPB)) | CS8 | CREAD | CLOCAL | BOTHER);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return ::ioctl(master_fd, TCSETS2, &t) == 0;
}

}  // namespace kitesim
