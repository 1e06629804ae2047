#include "soak_tally.h"

namespace soak {

Outcome classify(std::int32_t result, const Exchange& exchange) {
  if (result != 0) return {Outcome::Kind::error, result};
  return {matches(exchange.apdu, exchange.expected) ? Outcome::Kind::correct : Outcome::Kind::wrong_data, 0};
}

void Counts::add(const Outcome& outcome) {
  ++calls;
  switch (outcome.kind) {
    case Outcome::Kind::correct: ++correct; break;
    case Outcome::Kind::wrong_data: ++wrong_data; break;
    case Outcome::Kind::error: ++errors[outcome.code]; break;
  }
}

void Tally::record(const Call& call, const Outcome& outcome, const Exchange& exchange) {
  total_.add(outcome);
  faults_[call.fault].add(outcome);
  TransportTally& t = transports_[call.transport];
  t.counts.add(outcome);
  if (call.took > t.longest.took) t.longest = call;
  if (call.took > bound_) ++t.over_bound;
  if (outcome.kind == Outcome::Kind::wrong_data && wrong_cases_.size() < kWrongCasesKept) {
    const KnownAnswer& e = exchange.expected;
    const QX_APDU& got = exchange.apdu;
    wrong_cases_.push_back({call, describe(e.le, e.status, e.data.data()), describe(got.Le, got.Status, got.DataOut)});
  }
}

void Tally::record_session_start(Transport transport, std::int32_t result) {
  ++transports_[transport].session_starts[result];
}

}  // namespace soak
