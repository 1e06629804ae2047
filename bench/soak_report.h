// The soak's summary: Markdown tables on stdout that can be pasted into a README.
#pragma once

#include <chrono>
#include <cstdint>

#include "soak_options.h"
#include "soak_tally.h"

namespace soak {

// The calls' bound: the reply waits at the time scale plus the line time of the writes.
struct Bound {
  Duration waits{};
  Duration writes{};
  Duration total() const { return waits + writes; }
};

struct RunFacts {
  Options options;
  std::chrono::microseconds reply_wait{};
  std::chrono::milliseconds short_delay{}, long_delay{};
  Bound bound;
  std::uint64_t rss_start_kb = 0, rss_end_kb = 0;
  Duration run_time{};
};

// VmRSS of this process from /proc/self/status, in kB (0 when it cannot be read).
std::uint64_t resident_memory_kb();

void print_report(const Tally& tally, const RunFacts& facts);

}  // namespace soak
