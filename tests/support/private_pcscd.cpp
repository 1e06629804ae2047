#include "private_pcscd.h"

#include <signal.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace test_support {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPcscd = "/usr/sbin/pcscd";
constexpr const char* kUnshare = "/usr/bin/unshare";

}  // namespace

std::string PrivatePcscd::why_it_cannot_run() {
  if (!std::filesystem::exists(kPcscd)) return "pcscd is not installed (Debian package pcscd)";
  const auto probe = ChildProcess(kUnshare, {"--mount", "/bin/true"}).finish_within(10s);
  if (probe.status != 0) return "no private mount namespace (unshare --mount needs root): " + probe.err;
  return {};
}

PrivatePcscd::PrivatePcscd(const std::filesystem::path& folder, const std::string& friendly_name,
                           const std::string& device, const std::string& handler,
                           const std::vector<std::string>& options)
    : folder_(folder) {
  std::filesystem::create_directories(folder / "run");
  std::filesystem::create_directories(folder / "drivers");
  ::setenv("PCSCLITE_CSOCK_NAME", (folder / "run" / "pcscd.comm").c_str(), 1);
  const auto conf = folder / "reader.conf";
  std::ofstream(conf) << "FRIENDLYNAME \"" << friendly_name << "\"\nDEVICENAME " << device << "\nLIBPATH " << handler
                      << "\n";
  std::string command = std::string("exec ") + kPcscd + " --foreground --config " + conf.string();
  for (const std::string& option : options) command += " " + option;
  const std::string script = "mkdir -p /run/pcscd && mount --bind " + (folder / "run").string() +
                             " /run/pcscd && { [ ! -d /usr/lib/pcsc/drivers ] || mount --bind " +
                             (folder / "drivers").string() + " /usr/lib/pcsc/drivers; } && " + command + " > " +
                             log().string() + " 2>&1";
  daemon_ = std::make_unique<ChildProcess>(
      kUnshare, std::vector<std::string>{"--mount", "--propagation", "private", "/bin/sh", "-c", script});
}

bool PrivatePcscd::wait_ready(std::chrono::milliseconds timeout) const {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (log_text().find("daemon ready") == std::string::npos) {
    if (std::chrono::steady_clock::now() >= end || !daemon_->running()) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

Outcome PrivatePcscd::stop() {
  daemon_->signal(SIGTERM);
  return daemon_->finish_within(5s);
}

std::string PrivatePcscd::log_text() const {
  std::ifstream in(log());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace test_support
