#include "soak_faults.h"

#include <algorithm>

namespace soak {
namespace {

// The emulator holds answers back in whole milliseconds.
std::chrono::milliseconds fraction_of(std::chrono::microseconds wait, double factor) {
  const auto micros = static_cast<std::chrono::microseconds::rep>(static_cast<double>(wait.count()) * factor);
  return std::max(std::chrono::milliseconds(1), std::chrono::duration_cast<std::chrono::milliseconds>(
                                                    std::chrono::microseconds(micros)));
}

unsigned count(std::mt19937_64& random, unsigned low, unsigned high) {
  return std::uniform_int_distribution<unsigned>(low, high)(random);
}

}  // namespace

const char* name_of(FaultKind kind) {
  switch (kind) {
    case FaultKind::none: return "none";
    case FaultKind::corrupt: return "corrupt";
    case FaultKind::drop: return "drop";
    case FaultKind::nack: return "NACK";
    case FaultKind::short_delay: return "delay 0.5 x wait";
    case FaultKind::long_delay: return "delay 1.5 x wait";
    case FaultKind::interleave: return "card event first";
  }
  return "?";
}

FaultPicker::FaultPicker(std::chrono::microseconds reply_wait, double share)
    : share_(share),
      short_delay_(fraction_of(reply_wait, 0.5)), long_delay_(fraction_of(reply_wait, 1.5)) {}

Fault FaultPicker::pick(std::mt19937_64& random) const {
  if (std::uniform_real_distribution<double>(0, 1)(random) >= share_) return {};
  const auto kind = kFaultKinds[count(random, 1, kFaultKinds.size() - 1)];
  Fault fault{kind, {}};
  kitesim::Faults& f = fault.faults;
  // Counts of 4 outlast the exchange's three NACKs and give a failure; fewer are recovered from.
  switch (kind) {
    case FaultKind::corrupt: f.corrupt_next = count(random, 1, 4); break;
    case FaultKind::drop: f.drop_next = count(random, 1, 4); break;
    // Three refusals use up the exchange's three sends.
    case FaultKind::nack: f.nack_next = count(random, 1, 3); break;
    // Every answer is held back until the fault is cleared after the call.
    case FaultKind::short_delay: f.delay = short_delay_; break;
    case FaultKind::long_delay: f.delay = long_delay_; break;
    case FaultKind::interleave:
      f.interleave_next = count(random, 1, 2);
      f.interleave_event = count(random, 0, 1) == 0 ? kitesim::CardEvent::inserted : kitesim::CardEvent::removed;
      break;
    case FaultKind::none: break;
  }
  return fault;
}

}  // namespace soak
