// The pelorus program run as a child process, its output and exit status collected; for the
// watch command, the output read while it runs and a signal sent to end it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace cli_test {

struct Outcome {
  int status = -1;  // exit status; 128 + signal when killed
  std::string out;
  std::string err;
};

class Program {
 public:
  // Starts the program with arguments and standard input text.
  Program(const std::vector<std::string>& args, const std::string& input = "");
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Reads standard output until it holds text; false when the time passes first.
  bool wait_for_output(const std::string& text, std::chrono::milliseconds timeout);
  void signal(int number);
  Outcome finish();

 private:
  void read_available(int timeout_ms);
  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  Outcome outcome_;
};

// Runs the program to its end.
Outcome run(const std::vector<std::string>& args, const std::string& input = "");

}  // namespace cli_test
