#include "pcscd_harness.h"

#include <stdlib.h>

#include <iostream>
#include <sstream>

namespace pcsc_test {
namespace {

using namespace std::chrono_literals;

}  // namespace

void PcscdReader::SetUp() {
  if (const std::string reason = test_support::PrivatePcscd::why_it_cannot_run(); !reason.empty()) GTEST_SKIP() << reason;
  char name[] = "/tmp/pcsc-test-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  folder = name;
}

void PcscdReader::TearDown() {
  if (pcscd) {
    const auto outcome = pcscd->stop();
    if (HasFailure()) std::cerr << "pcscd's log:\n" << pcscd->log_text() << outcome.err;
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

  pcscd = std::make_unique<test_support::PrivatePcscd>(folder, "Pelorus test reader", device, IFD_HANDLER,
                                                       std::vector<std::string>{"--debug", "--apdu"});
  // The reader is added before the daemon says it is ready.
  ASSERT_TRUE(pcscd->wait_ready(20s)) << "pcscd did not start:\n" << pcscd->log_text();
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
