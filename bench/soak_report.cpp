#include "soak_report.h"

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace soak {
namespace {

double milliseconds(Duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One table row: a label, then one cell per transport and the total.
template <typename Cell>
void row(const Tally& tally, const char* label, Cell cell, const std::string& total) {
  std::printf("| %s |", label);
  for (const auto& [transport, t] : tally.by_transport()) std::printf(" %s |", cell(t).c_str());
  std::printf(" %s |\n", total.c_str());
}

std::string number(std::uint64_t n) { return std::to_string(n); }

std::string session_starts(const std::map<std::int32_t, std::uint64_t>& results) {
  std::string text;
  for (const auto& [result, n] : results) {
    if (!text.empty()) text += ", ";
    text += number(n) + (result == 0 ? " ok" : " gave " + std::to_string(result));
  }
  return text.empty() ? "0" : text;
}

std::string longest(const Call& call) {
  char text[96];
  std::snprintf(text, sizeof text, "%.1f ms (#%llu, %s)", milliseconds(call.took),
                static_cast<unsigned long long>(call.index), name_of(call.fault));
  return text;
}

std::set<std::int32_t> error_codes(const Tally& tally) {
  std::set<std::int32_t> codes;
  for (const auto& [code, n] : tally.total().errors) codes.insert(code);
  return codes;
}

std::uint64_t count_of(const Counts& counts, std::int32_t code) {
  const auto found = counts.errors.find(code);
  return found == counts.errors.end() ? 0 : found->second;
}

void print_outcomes(const Tally& tally) {
  std::printf("| Calls |");
  for (const auto& [transport, t] : tally.by_transport()) std::printf(" %s |", name_of(transport));
  std::printf(" all |\n|---|");
  for (std::size_t i = 0; i <= tally.by_transport().size(); ++i) std::printf("---|");
  std::printf("\n");
  const Counts& all = tally.total();
  row(tally, "exchanges", [](const TransportTally& t) { return number(t.counts.calls); }, number(all.calls));
  row(tally, "correct data", [](const TransportTally& t) { return number(t.counts.correct); }, number(all.correct));
  row(tally, "**wrong data**", [](const TransportTally& t) { return number(t.counts.wrong_data); },
      number(all.wrong_data));
  for (const std::int32_t code : error_codes(tally)) {
    const std::string label = "error " + std::to_string(code);
    row(tally, label.c_str(), [code](const TransportTally& t) { return number(count_of(t.counts, code)); },
        number(count_of(all, code)));
  }
  std::uint64_t over = 0;
  Call slowest;
  for (const auto& [transport, t] : tally.by_transport()) {
    over += t.over_bound;
    if (t.longest.took > slowest.took) slowest = t.longest;
  }
  row(tally, "longest call", [](const TransportTally& t) { return longest(t.longest); }, longest(slowest));
  row(tally, "calls over the bound", [](const TransportTally& t) { return number(t.over_bound); }, number(over));
  row(tally, "session starts", [](const TransportTally& t) { return session_starts(t.session_starts); }, "");
}

void print_faults(const Tally& tally) {
  std::printf("\n| Fault injected | exchanges | correct data | wrong data | -1080 | -1081 | other errors |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  for (const FaultKind kind : kFaultKinds) {
    const auto found = tally.by_fault().find(kind);
    const Counts counts = found == tally.by_fault().end() ? Counts{} : found->second;
    const std::uint64_t bad_frame = count_of(counts, QX_ERR_BAD_FRAME);
    const std::uint64_t timeout = count_of(counts, QX_ERR_TIMEOUT);
    std::uint64_t other = 0;
    for (const auto& [code, n] : counts.errors) other += n;
    other -= bad_frame + timeout;
    std::printf("| %s | %llu | %llu | %llu | %llu | %llu | %llu |\n", name_of(kind),
                static_cast<unsigned long long>(counts.calls), static_cast<unsigned long long>(counts.correct),
                static_cast<unsigned long long>(counts.wrong_data), static_cast<unsigned long long>(bad_frame),
                static_cast<unsigned long long>(timeout), static_cast<unsigned long long>(other));
  }
}

void print_facts(const RunFacts& f) {
  std::printf("\n| Run | |\n|---|---|\n");
  std::printf("| seed | %llu |\n", static_cast<unsigned long long>(f.options.seed));
  std::printf("| time scale | %g (reply wait %.2f ms) |\n", f.options.time_scale,
              std::chrono::duration<double, std::milli>(f.reply_wait).count());
  std::printf("| exchanges with a fault | %g %% |\n", 100 * f.options.fault_share);
  std::printf("| delays injected | %lld ms and %lld ms |\n", static_cast<long long>(f.short_delay.count()),
              static_cast<long long>(f.long_delay.count()));
  std::printf("| bound of a call | %.2f ms = 6 reply waits %.2f ms + writes %.2f ms |\n", milliseconds(f.bound.total()),
              milliseconds(f.bound.waits), milliseconds(f.bound.writes));
  std::printf("| resident memory | %llu kB at start, %llu kB at end |\n",
              static_cast<unsigned long long>(f.rss_start_kb), static_cast<unsigned long long>(f.rss_end_kb));
  std::printf("| run time | %.1f s |\n", std::chrono::duration<double>(f.run_time).count());
}

void print_wrong_cases(const Tally& tally) {
  if (tally.wrong_cases().empty()) return;
  std::printf("\nFirst wrong answers (result 0, data not the known answer):\n");
  for (const WrongCase& w : tally.wrong_cases()) {
    std::printf("- exchange #%llu, %s, %s, fault %s (before it: %s)\n    expected %s\n    got      %s\n",
                static_cast<unsigned long long>(w.call.index), name_of(w.call.transport), name_of(w.call.card),
                name_of(w.call.fault), name_of(w.call.previous_fault), w.expected.c_str(), w.got.c_str());
  }
}

}  // namespace

std::uint64_t resident_memory_kb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) != 0) continue;
    std::istringstream fields(line.substr(6));
    std::uint64_t kb = 0;
    fields >> kb;
    return kb;
  }
  return 0;
}

void print_report(const Tally& tally, const RunFacts& facts) {
  print_outcomes(tally);
  print_faults(tally);
  print_facts(facts);
  print_wrong_cases(tally);
  std::fflush(stdout);
}

}  // namespace soak
