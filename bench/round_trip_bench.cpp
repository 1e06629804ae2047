// An APDU exchange through the library, side by side with its floor: the same request and reply
// sizes written and read by the caller itself on a bare line of the same kind, against a
// responder that only answers. The two kinds of rounds alternate within one run, so that the
// machine's load weighs on both alike; the ratio of their medians is the figure that holds from
// machine to machine. Untimed passes then count what one exchange costs: the processor time and
// system calls of this process (all its threads) and of the emulator, and the same of the floor.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <vector>

#include "bare_line.h"
#include "emulator_process.h"
#include "mcu_reader.h"
#include "process_counters.h"

namespace {

using namespace bench;
using Clock = std::chrono::steady_clock;

// The frames of the exchange timed, an APDU answered with 16 data bytes: the command frame is
// STX, ten bytes in hex, ETX; the reply frame STX, 23 bytes in hex, ETX.
constexpr size_t kRequestSize = 22;
constexpr size_t kReplySize = 48;
constexpr int kRounds = 10000;        // timed, of each kind
constexpr int kCountedRounds = 2000;  // for processor time and system calls

struct Transport {
  bool network;
  std::vector<std::string> emulator_arguments() const {
    if (network) return {"--rfc2217", "0", "--card", "mcu-t0"};
    return {"--pty", "--card", "mcu-t0"};
  }
};

double micros_since(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double per_round(std::chrono::nanoseconds spent, int rounds) {
  return std::chrono::duration<double, std::micro>(spent).count() / rounds;
}

void round_trip(benchmark::State& state, Transport transport) {
  EmulatorProcess emulator(transport.emulator_arguments());
  BareResponder responder(transport.network ? BareResponder::Transport::tcp : BareResponder::Transport::pty, kReplySize);
  const int32_t handle = open_mcu(transport.network ? emulator.rfc2217_url() : emulator.pty());
  if (handle < 0) {
    state.SkipWithError("the emulated reader could not be opened");
    return;
  }
  BareLine bare(responder);
  const auto library_round = [&] {
    QX_APDU apdu = echo_apdu(16);
    if (QX_ExchangeAPDU(handle, &apdu) != 0) state.SkipWithError("exchange failed");
  };
  const auto floor_round = [&] {
    if (!bare.round_trip(kRequestSize)) state.SkipWithError("bare round trip failed");
  };

  // Timed: library and bare rounds one after the other, so that both meet the same moments of
  // the machine (a pseudo-terminal's latency swings with where the kernel's flush work runs).
  std::vector<double> library, floor;
  library.reserve(kRounds);
  floor.reserve(kRounds);
  for (auto _ : state) {
    for (int i = 0; i < kRounds; ++i) {
      auto start = Clock::now();
      library_round();
      library.push_back(micros_since(start));
      start = Clock::now();
      floor_round();
      floor.push_back(micros_since(start));
    }
  }
  // Untimed: the processor time of a run of rounds of each kind, on both sides of the line.
  const auto own_before = cpu_time(::getpid()), emulator_before = cpu_time(emulator.pid());
  for (int i = 0; i < kCountedRounds; ++i) library_round();
  const auto own_cpu = cpu_time(::getpid()) - own_before, emulator_cpu = cpu_time(emulator.pid()) - emulator_before;
  const auto caller_before = cpu_time(::getpid()), responder_before = cpu_time(responder.pid());
  for (int i = 0; i < kCountedRounds; ++i) floor_round();
  const auto caller_cpu = cpu_time(::getpid()) - caller_before, responder_cpu = cpu_time(responder.pid()) - responder_before;

  const double library_median = percentile(library, 0.5), floor_median = percentile(floor, 0.5);
  const double library_p99 = percentile(library, 0.99), floor_p99 = percentile(floor, 0.99);
  state.counters["median_us"] = library_median;
  state.counters["p99_us"] = library_p99;
  state.counters["floor_median_us"] = floor_median;
  state.counters["floor_p99_us"] = floor_p99;
  state.counters["x_floor_median"] = library_median / floor_median;
  state.counters["x_floor_p99"] = library_p99 / floor_p99;
  state.counters["cpu_us"] = per_round(own_cpu, kCountedRounds);
  state.counters["emulator_cpu_us"] = per_round(emulator_cpu, kCountedRounds);
  state.counters["floor_cpu_us"] = per_round(caller_cpu, kCountedRounds);
  state.counters["responder_cpu_us"] = per_round(responder_cpu, kCountedRounds);

  // Untimed: the system calls of one round, on each side.
  const auto repeat = [](const std::function<void()>& round) {
    return [&round] {
      for (int i = 0; i < kCountedRounds; ++i) round();
    };
  };
  const auto library_calls = count_system_calls({::getpid(), emulator.pid()}, repeat(library_round));
  const auto floor_calls = count_system_calls({::getpid(), responder.pid()}, repeat(floor_round));
  if (library_calls && floor_calls) {
    state.counters["syscalls"] = static_cast<double>((*library_calls)[0]) / kCountedRounds;
    state.counters["emulator_syscalls"] = static_cast<double>((*library_calls)[1]) / kCountedRounds;
    state.counters["floor_syscalls"] = static_cast<double>((*floor_calls)[0]) / kCountedRounds;
    state.counters["responder_syscalls"] = static_cast<double>((*floor_calls)[1]) / kCountedRounds;
  } else {
    state.SetLabel("system calls not counted: strace is missing or cannot attach");
  }
  QX_Close(handle);
}

void BM_RoundTripPty(benchmark::State& state) { round_trip(state, {false}); }
void BM_RoundTripRfc2217(benchmark::State& state) { round_trip(state, {true}); }

BENCHMARK(BM_RoundTripPty)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RoundTripRfc2217)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
