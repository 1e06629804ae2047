// The emulator as a process of its own, so that what a benchmark measures of this process is the
// library's work alone.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace bench {

class EmulatorProcess {
 public:
  // Starts kitesim (found next to this program) with the arguments and waits for "ready".
  explicit EmulatorProcess(const std::vector<std::string>& arguments);
  ~EmulatorProcess();
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;

  // The value printed after "pty" or "rfc2217", empty when there is none.
  std::string pty() const { return pty_; }
  std::string rfc2217_url() const { return rfc2217_port_.empty() ? "" : "rfc2217://127.0.0.1:" + rfc2217_port_; }

  pid_t pid() const { return pid_; }

  // Sends one control command on the emulator's standard input.
  void command(const std::string& line);

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::string pty_;
  std::string rfc2217_port_;
};

}  // namespace bench
