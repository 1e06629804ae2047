// What a process spends on the work a benchmark times: its processor time (every thread's), and
// the system calls it makes, counted by strace attached for a while.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace bench {

// The processor time of all the process's threads so far, from /proc/<pid>/task/*/schedstat.
std::chrono::nanoseconds cpu_time(pid_t pid);

// Runs `work` with strace counting the system calls of each process (all its threads) and returns
// the counts in the same order; nullopt when strace is not installed or cannot attach. The work
// runs slowly while traced: time it in a separate pass.
std::optional<std::vector<long>> count_system_calls(const std::vector<pid_t>& pids, const std::function<void()>& work);

}  // namespace bench
