#include "pcscd_harness.h"

#include <signal.h>
#include <stdlib.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

namespace pcsc_test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPcscd = "/usr/sbin/pcscd";
constexpr const char* kUnshare = "/usr/bin/unshare";

// Why pcscd cannot run here, or empty when it can.
std::string why_pcscd_cannot_run() {
  if (!std::filesystem::exists(kPcscd)) return "pcscd is not installed (Debian package pcscd)";
  const auto probe = test_support::ChildProcess(kUnshare, {"--mount", "/bin/true"}).finish_within(10s);
  if (probe.status != 0) return "no private mount namespace (unshare --mount needs root): " + probe.err;
  return {};
}

}  // namespace

void PcscdReader::SetUp() {
  if (const std::string reason = why_pcscd_cannot_run(); !reason.empty()) GTEST_SKIP() << reason;
  char name[] = "/tmp/pcsc-test-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  folder = name;
  std::filesystem::create_directory(folder / "run");
  std::filesystem::create_directory(folder / "drivers");
  ::setenv("PCSCLITE_CSOCK_NAME", (folder / "run" / "pcscd.comm").c_str(), 1);
}

void PcscdReader::TearDown() {
  if (pcscd) {
    pcscd->signal(SIGTERM);
    const auto outcome = pcscd->finish_within(5s);
    if (HasFailure()) std::cerr << "pcscd's log:\n" << log_text() << outcome.err;
    pcscd.reset();
  }
  emulator.reset();
  if (!folder.empty()) std::filesystem::remove_all(folder);
}

void PcscdReader::start(const std::string& card, std::optional<Transport> transport) {
  emulator = std::make_unique<kitesim::Emulator>(kitesim::ReaderConfig{.model = kitesim::Model::KITEB, .rate = 9600});
  std::string device;
  if ((transport ? *transport : GetParam()) == Transport::Pty) {
    device = emulator->start_pty() + ":KITEB_9600";
  } else {
    rfc2217_port = emulator->start_rfc2217();
    device = "rfc2217://127.0.0.1:" + std::to_string(rfc2217_port);
  }
  if (!card.empty()) emulator->insert(kitesim::make_card(card));

  const auto conf = folder / "reader.conf";
  std::ofstream(conf) << "FRIENDLYNAME \"Pelorus test reader\"\nDEVICENAME " << device << "\nLIBPATH " << IFD_HANDLER
                      << "\n";
  const std::string script = "mkdir -p /run/pcscd && mount --bind " + (folder / "run").string() +
                             " /run/pcscd && { [ ! -d /usr/lib/pcsc/drivers ] || mount --bind " +
                             (folder / "drivers").string() + " /usr/lib/pcsc/drivers; } && exec " + kPcscd +
                             " --foreground --debug --apdu --config " + conf.string() + " > " + log().string() + " 2>&1";
  pcscd = std::make_unique<test_support::ChildProcess>(
      kUnshare, std::vector<std::string>{"--mount", "--propagation", "private", "/bin/sh", "-c", script});
  // The reader is added before the daemon says it is ready.
  const auto end = std::chrono::steady_clock::now() + 20s;
  while (log_text().find("daemon ready") == std::string::npos) {
    ASSERT_LT(std::chrono::steady_clock::now(), end) << "pcscd did not start:\n" << log_text();
    std::this_thread::sleep_for(20ms);
  }
}

std::string PcscdReader::log_text() const {
  std::ifstream in(log());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

test_support::Outcome PcscdReader::client(const std::string& program, const std::vector<std::string>& args) {
  return test_support::ChildProcess(program, args).finish_within(30s);
}

test_support::Outcome PcscdReader::pyscard(const std::vector<std::string>& args) {
  std::vector<std::string> all{PYSCARD_CLIENT};
  all.insert(all.end(), args.begin(), args.end());
  return client(SYSTEM_PYTHON3, all);
}

std::vector<std::string> PcscdReader::lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

}  // namespace pcsc_test
