#include "trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace pelorus::trace {
namespace {

// The sink is opened once, at the first trace call, from PELORUS32_TRACE.
class Sink {
 public:
  Sink() {
    const char* where = std::getenv("PELORUS32_TRACE");
    if (where == nullptr || *where == '\0') return;
    if (std::strcmp(where, "stderr") == 0) {
      file_ = stderr;
    } else {
      file_ = std::fopen(where, "a");
      owned_ = file_ != nullptr;
    }
  }
  ~Sink() {
    if (owned_) std::fclose(file_);
  }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  bool on() const { return file_ != nullptr; }

  void write(std::string_view s) {
    if (!on()) return;
    std::lock_guard lock(mutex_);
    std::fwrite(s.data(), 1, s.size(), file_);
    std::fflush(file_);
  }

 private:
  std::FILE* file_ = nullptr;
  bool owned_ = false;
  std::mutex mutex_;
};

Sink& sink() {
  static Sink instance;
  return instance;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

const char* describe(int err) {
  const char* text = strerrordesc_np(err);  // unlike strerror, safe from any thread
  return text != nullptr ? text : "unknown error";
}

}  // namespace

bool enabled() { return sink().on(); }

void text(std::string_view message) { sink().write(message); }

void format(const char* fmt, ...) {
  if (!enabled()) return;
  char buffer[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  sink().write(buffer);
}

void frame(std::string_view label, std::span<const uint8_t> bytes) {
  if (!enabled()) return;
  std::string line(label);
  for (uint8_t b : bytes) {
    if (b >= 0x20 && b < 0x7F) {
      line += static_cast<char>(b);
    } else {
      line += '<';
      line += kHexDigits[b >> 4];
      line += kHexDigits[b & 0x0F];
      line += '>';
    }
  }
  line += '\n';
  sink().write(line);
}

void hex(std::string_view label, std::span<const uint8_t> bytes) {
  if (!enabled()) return;
  std::string line(label);
  for (uint8_t b : bytes) {
    line += ' ';
    line += kHexDigits[b >> 4];
    line += kHexDigits[b & 0x0F];
  }
  line += '\n';
  sink().write(line);
}

void system_error(std::string_view what, std::string_view subject, int err) {
  if (!enabled()) return;
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%.*s %.*s: %s (errno %d)\n", static_cast<int>(what.size()), what.data(),
                static_cast<int>(subject.size()), subject.data(), describe(err), err);
  sink().write(buffer);
}

}  // namespace pelorus::trace
