// A program run as a child process, its output and exit status collected; the output can also
// be read while it runs and a signal sent to end it. The destructor kills and reaps a child that
// is still running, so a failing test leaves nothing behind.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

namespace test_support {

struct Outcome {
  int status = -1;  // exit status; 128 + signal when killed
  std::string out;
  std::string err;
};

class ChildProcess {
 public:
  // Starts program (a path) with arguments and standard input text, in this process's environment.
  ChildProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads standard output until it holds text; false when the time passes first.
  bool wait_for_output(const std::string& text, std::chrono::milliseconds timeout);
  void signal(int number);
  // False once the child has ended (it is then reaped, and its status kept for the outcome).
  bool running();
  // Waits for the end: reads all output and reaps the child.
  Outcome finish();
  // Waits at most timeout for the end, then kills the child; the outcome either way.
  Outcome finish_within(std::chrono::milliseconds timeout);
  // What has been read so far.
  const Outcome& so_far() const { return outcome_; }

 private:
  void read_available(int timeout_ms);
  static int exit_status(int wait_status) {
    return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  }
  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  Outcome outcome_;
};

// Runs the program to its end.
Outcome run(const std::string& program, const std::vector<std::string>& args, const std::string& input = "");

}  // namespace test_support
