// Which fault, if any, the emulated reader injects into one exchange.
#pragma once

#include <array>
#include <chrono>
#include <random>

#include "kitesim/faults.h"

namespace soak {

enum class FaultKind { none, corrupt, drop, nack, short_delay, long_delay, interleave };
inline constexpr std::array kFaultKinds{FaultKind::none,        FaultKind::corrupt,    FaultKind::drop,
                                        FaultKind::nack,        FaultKind::short_delay, FaultKind::long_delay,
                                        FaultKind::interleave};

const char* name_of(FaultKind kind);

struct Fault {
  FaultKind kind = FaultKind::none;
  kitesim::Faults faults;
};

class FaultPicker {
 public:
  // reply_wait: the library's wait for one reply at the time scale in force.
  // share: of the exchanges that get a fault.
  FaultPicker(std::chrono::microseconds reply_wait, double share);

  // A share of the exchanges get a fault, the kinds equally often.
  Fault pick(std::mt19937_64& random) const;

  // How long answers are held back: below the reply wait, and beyond it.
  std::chrono::milliseconds short_delay() const { return short_delay_; }
  std::chrono::milliseconds longest_delay() const { return long_delay_; }

 private:
  double share_;
  std::chrono::milliseconds short_delay_;
  std::chrono::milliseconds long_delay_;
};

}  // namespace soak
