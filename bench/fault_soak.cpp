// A long fault soak of libPelorus32 against the emulated reader, in this process: exchanges with
// known answers over a pseudo-terminal and RFC 2217 on loopback (or the keyboard port), some of
// them (15 % by default) with a fault injected, every call classified and timed. It prints figures; it is
// not a test. It exits with status 1 when any call returned wrong data.
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <variant>

#include "soak_exchanges.h"
#include "soak_faults.h"
#include "soak_options.h"
#include "soak_reader.h"
#include "soak_report.h"
#include "soak_tally.h"

namespace soak {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr std::uint64_t kPhaseLength = 1000;  // exchanges with one card, then the other card
constexpr std::uint64_t kProgressEvery = 10'000;
constexpr int kSessionAttempts = 3;
constexpr int kNackFrame = 6;
constexpr int kBitsPerByte = 10;  // 8N1

microseconds reply_wait(double time_scale) { return microseconds(std::llround(1'000'000 * time_scale)); }

// The longest a call may take: two reply waits to resynchronise and the exchange's four,
// plus the line time of its writes (the command three times, the NACK frame three times), which
// the time scale does not shorten.
Bound call_bound(microseconds wait) {
  const double write_seconds =
      3.0 * (kLongestCommandFrame + kNackFrame) * kBitsPerByte / SoakReader::kLineRate;
  return {6 * wait, std::chrono::duration_cast<Duration>(std::chrono::duration<double>(write_seconds))};
}

struct Run {
  const Options& options;
  const FaultPicker& picker;
  Tally& tally;
  Random& random;
  Clock::time_point started;
  std::uint64_t index = 0;  // exchanges so far, over all transports
};

void print_progress(const Run& run) {
  std::fprintf(stderr, "fault soak: %llu of %llu exchanges, %.1f s, wrong data so far %llu\n",
               static_cast<unsigned long long>(run.index), static_cast<unsigned long long>(run.options.exchanges),
               std::chrono::duration<double>(Clock::now() - run.started).count(),
               static_cast<unsigned long long>(run.tally.wrong_data()));
}

void start_phase(Run& run, SoakReader& reader, Transport transport, CardKind card) {
  for (int attempt = 0; attempt < kSessionAttempts; ++attempt) {
    // A held-back answer and its resend are on the line within twice the longest delay.
    const std::int32_t result = reader.start_session(card, 2 * run.picker.longest_delay());
    run.tally.record_session_start(transport, result);
    if (result == 0) return;
  }
}

void soak_transport(Run& run, Transport transport, std::uint64_t exchanges, const WorkDirectory& work) {
  SoakReader reader(transport, work);
  CardKind card = CardKind::mcu;
  FaultKind previous = FaultKind::none;
  for (std::uint64_t n = 0; n < exchanges; ++n) {
    if (n % kPhaseLength == 0) {
      card = (n / kPhaseLength) % 2 == 0 ? CardKind::mcu : CardKind::memory;
      start_phase(run, reader, transport, card);
      previous = FaultKind::none;
    }
    Exchange exchange = make_exchange(card, run.random);
    const Fault fault = run.picker.pick(run.random);
    if (fault.kind != FaultKind::none) reader.emulator().set_faults(fault.faults);
    const auto begin = Clock::now();
    const std::int32_t result = reader.exchange(exchange.apdu);
    const Duration took = Clock::now() - begin;
    // Answers already held back still go out, during the next call.
    if (fault.kind != FaultKind::none) reader.emulator().clear_faults();

    run.tally.record({run.index, transport, card, fault.kind, previous, took}, classify(result, exchange), exchange);
    previous = fault.kind;
    if (++run.index % kProgressEvery == 0) print_progress(run);
  }
}

int soak(const Options& options) {
  const auto started = Clock::now();
  const std::uint64_t rss_start = resident_memory_kb();
  const microseconds wait = reply_wait(options.time_scale);
  const FaultPicker picker(wait, options.fault_share);
  const Bound bound = call_bound(wait);
  Tally tally(bound.total());
  Random random(options.seed);
  Run run{options, picker, tally, random, started};

  const WorkDirectory work;
  const std::uint64_t transports = options.transports.size();
  for (std::uint64_t i = 0; i < transports; ++i) {
    const std::uint64_t share = options.exchanges / transports + (i < options.exchanges % transports ? 1 : 0);
    soak_transport(run, options.transports[i], share, work);
  }

  RunFacts facts{options, wait, picker.short_delay(), picker.longest_delay(), bound, rss_start, resident_memory_kb(),
                 Clock::now() - started};
  print_report(tally, facts);
  return tally.wrong_data() == 0 ? 0 : 1;
}

}  // namespace
}  // namespace soak

int main(int argc, char** argv) {
  const soak::Request request = soak::parse_command_line(argc, argv);
  if (std::holds_alternative<soak::ShowHelp>(request)) {
    std::fputs(soak::help_text(argv[0]).c_str(), stdout);
    return 0;
  }
  if (const auto* error = std::get_if<soak::UsageError>(&request)) {
    std::fprintf(stderr, "%s: %s (try --help)\n", argv[0], error->message.c_str());
    return 2;
  }
  const auto& options = std::get<soak::Options>(request);
  // The library reads the time scale once, at its first use: set it before any call.
  char scale[32];
  std::snprintf(scale, sizeof scale, "%.17g", options.time_scale);
  ::setenv("PELORUS32_TIME_SCALE", scale, 1);
  try {
    return soak::soak(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 2;
  }
}
