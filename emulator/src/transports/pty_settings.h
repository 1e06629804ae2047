// Line settings of a pseudo-terminal, read and set through its master. On Linux the termios calls
// on a master act on the slave's settings, which the PC side sets; termios2 carries any rate.
#pragma once

#include "../line_settings.h"

namespace kitesim {

// false when the ioctl fails.
bool read_pty_settings(int master_fd, LineSettings& settings);
// Raw 8N1 without echo at the given rate, so the PC side starts from a quiet line.
bool set_pty_raw(int master_fd, std::uint32_t rate);

}  // namespace kitesim
