// Where the utility's log lines go: the main window's log, or a test's list.
#pragma once

#include <string>

namespace kestrel {

class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void append(const std::string& line) = 0;
};

}  // namespace kestrel
