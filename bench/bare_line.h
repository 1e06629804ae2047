// The floor a library exchange is compared with: the same request and reply, written and read
// by the caller itself on a bare line, against a responder process that does nothing but answer.
// Over a pseudo-terminal and over TCP loopback, the two lines the library is measured on.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "unique_fd.h"  // the driver's own

namespace bench {

// A child process that reads up to each ETX and answers with `reply_size` bytes ending in ETX.
class BareResponder {
 public:
  enum class Transport { pty, tcp };
  BareResponder(Transport transport, size_t reply_size);
  ~BareResponder();
  BareResponder(const BareResponder&) = delete;
  BareResponder& operator=(const BareResponder&) = delete;

  pid_t pid() const { return pid_; }
  // The pseudo-terminal's slave path, or the loopback port, to open the caller's end by.
  const std::string& pty() const { return pty_; }
  uint16_t port() const { return port_; }

 private:
  pid_t pid_ = -1;
  std::string pty_;
  uint16_t port_ = 0;
  pelorus::UniqueFd slave_;
};

// The caller's end: non-blocking, raw, as the library opens its lines.
class BareLine {
 public:
  explicit BareLine(const BareResponder& responder);
  // Writes the request, then polls and reads until the reply's ETX. False on any failure.
  bool round_trip(size_t request_size);

 private:
  pelorus::UniqueFd fd_;
};

}  // namespace bench
