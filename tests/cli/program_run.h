// The pelorus program run as a child process, its output and exit status collected; for the
// watch command, the output read while it runs and a signal sent to end it.
#pragma once

#include <string>
#include <vector>

#include "child_process.h"

namespace cli_test {

using test_support::Outcome;

class Program : public test_support::ChildProcess {
 public:
  // Starts the program with arguments and standard input text.
  explicit Program(const std::vector<std::string>& args, const std::string& input = "")
      : ChildProcess(PELORUS_PROGRAM, args, input) {}
};

// Runs the program to its end.
inline Outcome run(const std::vector<std::string>& args, const std::string& input = "") {
  return test_support::run(PELORUS_PROGRAM, args, input);
}

}  // namespace cli_test
