// A serial line on a tty device: a serial port, a USB-serial adapter or a pseudo-terminal.
#pragma once

#include <memory>
#include <string>

#include "line.h"

namespace pelorus {

// Opens the device exclusively (TIOCEXCL, and flock because root is not held back by TIOCEXCL),
// raw 8N1 at the given rate (any rate, 14400 and 28800 included), no flow control, DTR raised and
// left as it is on close. nullptr on failure, with the reason in the trace.
std::unique_ptr<Line> open_tty_line(const std::string& path, int bits_per_second);

}  // namespace pelorus
