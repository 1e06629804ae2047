// What the soak counts: every call's outcome by transport and by fault, the session starts, the
// longest calls, and the first wrong answers in full.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "soak_exchanges.h"
#include "soak_faults.h"
#include "soak_options.h"

namespace soak {

using Duration = std::chrono::steady_clock::duration;

// The outcome of one call: correct data, wrong data (result 0 with anything else), or an error.
struct Outcome {
  enum class Kind { correct, wrong_data, error } kind = Kind::correct;
  std::int32_t code = 0;  // the error code
};

Outcome classify(std::int32_t result, const Exchange& exchange);

struct Call {
  std::uint64_t index = 0;  // over the whole run
  Transport transport{};
  CardKind card{};
  FaultKind fault{};
  FaultKind previous_fault{};  // a late answer of the call before may land in this one
  Duration took{};
};

struct WrongCase {
  Call call;
  std::string expected;
  std::string got;
};

struct Counts {
  std::uint64_t calls = 0, correct = 0, wrong_data = 0;
  std::map<std::int32_t, std::uint64_t> errors;  // by code
  void add(const Outcome& outcome);
};

struct TransportTally {
  Counts counts;
  std::map<std::int32_t, std::uint64_t> session_starts;  // by result, 0 for success
  Call longest;
  std::uint64_t over_bound = 0;
};

class Tally {
 public:
  explicit Tally(Duration bound) : bound_(bound) {}

  // exchange.apdu holds what the call left in the record.
  void record(const Call& call, const Outcome& outcome, const Exchange& exchange);
  void record_session_start(Transport transport, std::int32_t result);

  std::uint64_t wrong_data() const { return total_.wrong_data; }
  const std::map<Transport, TransportTally>& by_transport() const { return transports_; }
  const std::map<FaultKind, Counts>& by_fault() const { return faults_; }
  const Counts& total() const { return total_; }
  const std::vector<WrongCase>& wrong_cases() const { return wrong_cases_; }

 private:
  static constexpr std::size_t kWrongCasesKept = 5;
  Duration bound_;
  Counts total_;
  std::map<Transport, TransportTally> transports_;
  std::map<FaultKind, Counts> faults_;
  std::vector<WrongCase> wrong_cases_;
};

}  // namespace soak
