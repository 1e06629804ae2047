// How the library's data path does against the emulated reader (a process of its own): a whole
// LM8KS read at a paced line rate against the wire-time bound, heap allocations per exchange,
// and the processor time of an open, idle reader. Figures are printed, never judged.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "allocation_counter.h"
#include "emulator_process.h"
#include "mcu_reader.h"
#include "pelorus32.h"

namespace {

using namespace bench;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

void BM_HeapAllocationsPerExchange(benchmark::State& state) {
  bench::EmulatorProcess emulator({"--pty", "--card", "mcu-t0"});
  const int32_t handle = open_mcu(emulator.pty());
  if (handle < 0) {
    state.SkipWithError("the emulated reader could not be opened");
    return;
  }
  uint64_t allocations = 0;
  for (auto _ : state) {
    QX_APDU apdu = echo_apdu(64);
    const uint64_t before = bench::allocations();
    QX_ExchangeAPDU(handle, &apdu);
    allocations += bench::allocations() - before;
  }
  state.counters["allocations_per_exchange"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
  QX_Close(handle);
}

// Reads a whole LM8KS (1024 bytes) in reads of up to 255 bytes, with the emulator sending at the
// line rate, and compares the time with the wire-time bound of the replies: every character of
// every reply frame at 10 bits per character. (A pseudo-terminal takes the library's command
// frames at once, so only the reader's direction runs at the line rate here.)
void read_whole_lm8ks(benchmark::State& state) {
  const auto rate = static_cast<int32_t>(state.range(0));
  bench::EmulatorProcess emulator({"--pty", "--pace", "--rate", std::to_string(rate), "--card", "lm8ks"});
  ::setenv("PELORUS32_COM1", emulator.pty().c_str(), 1);
  const int32_t handle = QX_Open(rate == 115200 ? QX_READER_KITEB_115200 : QX_READER_KITEB_9600, QX_PORT_COM1);
  QX_SESSION session{};
  session.CardType = QX_CARD_LM8KS;
  if (handle < 0 || QX_StartSession(handle, &session) != 0) {
    state.SkipWithError("the emulated LM8KS could not be opened");
    return;
  }
  constexpr int kCardSize = 1024;
  constexpr int kMaxRead = 255;
  double wire_characters = 0;
  for (int offset = 0; offset < kCardSize; offset += kMaxRead) {
    const int n = std::min(kMaxRead, kCardSize - offset);
    wire_characters += 2 * (n + 4) + 4;  // status, length, data, checksum, framed
  }
  const double bound_seconds = wire_characters * 10 / rate;

  std::vector<double> fractions;
  for (auto _ : state) {
    const auto start = Clock::now();
    for (int offset = 0; offset < kCardSize; offset += kMaxRead) {
      QX_APDU read{};
      read.INS = QXI_Read;
      read.P1 = static_cast<uint8_t>(offset >> 8);
      read.P2 = static_cast<uint8_t>(offset);
      read.Le = std::min(kMaxRead, kCardSize - offset);
      if (QX_ExchangeAPDU(handle, &read) != 0 || read.Le != std::min(kMaxRead, kCardSize - offset)) {
        state.SkipWithError("read failed");
      }
    }
    fractions.push_back(std::chrono::duration<double>(Clock::now() - start).count() / bound_seconds);
  }
  state.counters["wire_bound_ms"] = bound_seconds * 1000;
  state.counters["median_x_bound"] = percentile(fractions, 0.5);
  QX_Close(handle);
}

void BM_ReadWholeLm8ks(benchmark::State& state) { read_whole_lm8ks(state); }

std::chrono::microseconds process_cpu_time() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

void BM_IdleOpenReaderCpu(benchmark::State& state) {
  bench::EmulatorProcess emulator({"--pty", "--card", "mcu-t0"});
  const int32_t handle = open_mcu(emulator.pty());
  if (handle < 0) {
    state.SkipWithError("the emulated reader could not be opened");
    return;
  }
  for (auto _ : state) {
    const auto before = process_cpu_time();
    std::this_thread::sleep_for(10s);
    state.counters["cpu_ms_per_10s"] = std::chrono::duration<double, std::milli>(process_cpu_time() - before).count();
  }
  QX_Close(handle);
}

BENCHMARK(BM_ReadWholeLm8ks)->Arg(9600)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadWholeLm8ks)->Arg(115200)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeapAllocationsPerExchange)->Iterations(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_IdleOpenReaderCpu)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
