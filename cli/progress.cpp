#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace pelorus {

Progress::Progress(std::string label, std::size_t total, bool quiet)
    : label_(std::move(label)), total_(total), shown_(!quiet && isatty(STDERR_FILENO)),
      start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
  if (shown_) std::fputs("\r\033[K", stderr);
}

void Progress::advance(std::size_t bytes) {
  done_ += bytes;
  if (shown_) draw();
}

void Progress::draw() const {
  constexpr int kWidth = 30;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(done_) / seconds : 0;
  const double left = rate > 0 ? static_cast<double>(total_ - done_) / rate : 0;
  const int filled = total_ ? static_cast<int>(kWidth * done_ / total_) : kWidth;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.resize(kWidth, ' ');
  std::fprintf(stderr, "\r%s [%s] %zu/%zu bytes  %.0f B/s  %.0f s left\033[K", label_.c_str(), bar.c_str(), done_, total_,
               rate, left);
  std::fflush(stderr);
}

}  // namespace pelorus
