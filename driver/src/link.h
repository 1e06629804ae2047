// What a port is reached through once it is open: the serial link (a tty or a network serial
// port, with its listener) or the keyboard-port link. Everything above the transport talks to
// this interface only.
#pragma once

#include <cstdint>
#include <span>

namespace pelorus {

struct Reply;

class Link {
 public:
  virtual ~Link() = default;

  // Sends one reader command (code, length byte, data) and decodes its reply into `reply`:
  // 0 or an error code (see serial_link.h and keyboard_link.h for each transport's rules).
  virtual int32_t exchange(std::span<const uint8_t> command, Reply& reply) = 0;

  // Resets the reader and brings the line to its rate: the reader type's fixed rate, or for
  // auto-detection the rate the reader announces after the reset (no announcement: KITEA framing
  // at 9600). 0, or -1 for an announcement that is not one or names no rate. A link without a
  // line to reset does nothing and returns 0.
  virtual int32_t reset_and_detect() = 0;

  // Moves the line to a new rate; false when the line refused it or the link has no line rate.
  virtual bool set_rate(int bits_per_second) = 0;
};

}  // namespace pelorus
