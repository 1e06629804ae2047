#include "process_counters.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

extern char** environ;

namespace bench {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// True once every thread of the process reports `tracer` as its tracer.
bool all_threads_traced(pid_t pid, pid_t tracer) {
  std::error_code error;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::ifstream status(task.path() / "status");
    std::string line;
    pid_t found = 0;
    while (std::getline(status, line)) {
      if (line.rfind("TracerPid:", 0) == 0) found = std::stoi(line.substr(10));
    }
    if (found != tracer) return false;
  }
  return !error;
}

// The "total" line of strace's summary: "100.00  0.001  1  1234  5  total".
long total_calls(const fs::path& summary) {
  std::ifstream in(summary);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> fields;
    for (std::string w; words >> w;) fields.push_back(w);
    if (fields.size() >= 4 && fields.back() == "total") return std::stol(fields[3]);
  }
  return -1;
}

}  // namespace

std::chrono::nanoseconds cpu_time(pid_t pid) {
  std::chrono::nanoseconds total{0};
  std::error_code error;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::ifstream schedstat(task.path() / "schedstat");
    long long on_cpu = 0;
    if (schedstat >> on_cpu) total += std::chrono::nanoseconds(on_cpu);
  }
  return total;
}

std::optional<std::vector<long>> count_system_calls(const std::vector<pid_t>& pids, const std::function<void()>& work) {
  struct Tracer {
    pid_t pid = -1;
    fs::path summary;
  };
  std::vector<Tracer> tracers;
  auto stop_all = [&tracers] {
    for (Tracer& t : tracers) {
      if (t.pid <= 0) continue;
      ::kill(t.pid, SIGINT);
      ::waitpid(t.pid, nullptr, 0);
    }
  };
  for (const pid_t pid : pids) {
    Tracer t;
    t.summary = fs::temp_directory_path() / ("pelorus_bench_strace." + std::to_string(::getpid()) + "." + std::to_string(pid));
    const std::string target = std::to_string(pid), output = t.summary.string();
    const char* argv[] = {"strace", "-q", "-f", "-c", "-o", output.c_str(), "-p", target.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = ::posix_spawnp(&t.pid, "strace", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      stop_all();
      return std::nullopt;
    }
    tracers.push_back(t);
  }
  for (size_t i = 0; i < pids.size(); ++i) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!all_threads_traced(pids[i], tracers[i].pid)) {
      if (std::chrono::steady_clock::now() > deadline || ::waitpid(tracers[i].pid, nullptr, WNOHANG) != 0) {
        tracers[i].pid = -1;
        stop_all();
        return std::nullopt;
      }
      std::this_thread::sleep_for(10ms);
    }
  }
  work();
  stop_all();
  std::vector<long> counts;
  for (const Tracer& t : tracers) {
    counts.push_back(total_calls(t.summary));
    fs::remove(t.summary);
  }
  return counts;
}

}  // namespace bench
