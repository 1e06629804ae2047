// Debian's pcscd in the foreground with a reader.conf of its own naming one reader, for tests and
// benchmarks. pcscd always serves its socket in /run/pcscd and loads every driver in
// /usr/lib/pcsc/drivers, so it runs in a private mount namespace with a folder bound over the
// first and an empty one over the second: the machine's own daemon and readers are left alone.
// That needs root. Clients of this process find it through PCSCLITE_CSOCK_NAME, which the
// constructor sets. The daemon logs to a file: a pipe that no one reads would fill and stop it.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace test_support {

class PrivatePcscd {
 public:
  // Why pcscd cannot run here, or empty when it can.
  static std::string why_it_cannot_run();

  // Writes `folder`/reader.conf (the reader FRIENDLYNAME on DEVICENAME `device`, served by the
  // handler at `handler`) and starts pcscd on it with the extra options.
  PrivatePcscd(const std::filesystem::path& folder, const std::string& friendly_name, const std::string& device,
               const std::string& handler, const std::vector<std::string>& options = {});
  ~PrivatePcscd() { stop(); }
  PrivatePcscd(const PrivatePcscd&) = delete;
  PrivatePcscd& operator=(const PrivatePcscd&) = delete;

  // True once the daemon says it is ready (its readers are added by then); false when the time
  // passes first or the daemon ended.
  bool wait_ready(std::chrono::milliseconds timeout) const;
  // Ends the daemon (SIGTERM, then killed after 5 s) and gives its outcome.
  Outcome stop();

  std::filesystem::path log() const { return folder_ / "pcscd.log"; }
  std::string log_text() const;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<ChildProcess> daemon_;
};

}  // namespace test_support
