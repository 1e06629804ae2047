#include "timing.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "trace.h"

namespace pelorus::timing {

std::optional<double> parse_scale(std::string_view text) {
  std::string copy(text);
  char* end = nullptr;
  double value = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size()) return std::nullopt;
  if (!std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

double scale() {
  static const double factor = [] {
    const char* text = std::getenv("PELORUS32_TIME_SCALE");
    if (text == nullptr) return 1.0;
    auto parsed = parse_scale(text);
    if (!parsed) {
      trace::format("PELORUS32_TIME_SCALE=\"%s\" is not a positive number; using 1\n", text);
      return 1.0;
    }
    return *parsed;
  }();
  return factor;
}

std::chrono::microseconds scaled(milliseconds delay) {
  auto micros = std::llround(static_cast<double>(delay.count()) * 1000.0 * scale());
  if (delay.count() > 0 && micros < 1) micros = 1;
  return std::chrono::microseconds(micros);
}

void sleep(milliseconds delay) { std::this_thread::sleep_for(scaled(delay)); }

}  // namespace pelorus::timing
