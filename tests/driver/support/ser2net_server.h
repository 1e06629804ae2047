// Debian's ser2net serving a pseudo-terminal over RFC 2217 on loopback: a network serial port
// that no one on this project wrote.
#pragma once

#include <sys/types.h>

#include <string>

namespace testing_support {

class Ser2netServer {
 public:
  // Serves `device` on a free port of 127.0.0.1; running() is false when ser2net is missing or
  // did not start.
  explicit Ser2netServer(const std::string& device);
  ~Ser2netServer();
  Ser2netServer(const Ser2netServer&) = delete;
  Ser2netServer& operator=(const Ser2netServer&) = delete;

  bool running() const { return pid_ > 0; }
  std::string url() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

 private:
  std::string directory_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// A TCP port of 127.0.0.1 that was free a moment ago.
int free_tcp_port();

// True once something accepts connections on 127.0.0.1:port, waiting up to five seconds.
bool wait_for_listener(int port);

}  // namespace testing_support
