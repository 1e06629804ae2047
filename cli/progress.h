// A progress bar for long transfers, on stderr and only when stderr is a terminal: bytes done,
// rate and time left, redrawn in place and cleared at the end.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace pelorus {

class Progress {
 public:
  Progress(std::string label, std::size_t total, bool quiet);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void advance(std::size_t bytes);

 private:
  void draw() const;
  std::string label_;
  std::size_t total_;
  std::size_t done_ = 0;
  bool shown_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace pelorus
