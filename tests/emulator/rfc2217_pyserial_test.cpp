// Debian's python3-serial (pyserial) as the RFC 2217 client of kitesim's server: a real peer,
// written by others, rather than the test's own telnet client.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "frame_codec.h"
#include "kitesim/emulator.h"

namespace kitesim {
namespace {

constexpr const char* python = "/usr/bin/python3";

bool pyserial_available() {
  std::string command = std::string(python) + " -c 'import serial.rfc2217' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::string hex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 0x0F];
  }
  return text;
}

struct ClientRun {
  int status = -1;
  std::string output;
  std::map<std::string, std::string> values;  // "key value" lines

  std::string operator[](const std::string& key) const {
    auto it = values.find(key);
    return it == values.end() ? "(no " + key + " line)" : it->second;
  }
};

// Runs the client script against 127.0.0.1:port, bounded in time, and collects its lines.
ClientRun run_client(std::uint16_t port, const std::string& url_options = "") {
  ClientRun run;
  std::string command = "timeout 60 " + std::string(python) + " '" KITESIM_PYSERIAL_CLIENT "' " +
                        std::to_string(port) + " " + url_options + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  run.status = ::pclose(pipe);
  std::istringstream lines(run.output);
  std::string line;
  while (std::getline(lines, line)) {
    auto space = line.find(' ');
    if (space != std::string::npos) run.values[line.substr(0, space)] = line.substr(space + 1);
  }
  return run;
}

class PyserialClient : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pyserial_available())
      GTEST_SKIP() << python << " cannot import serial: install Debian's python3-serial "
                   << "(scripts/setup.sh lists it) to run pyserial against the RFC 2217 server";
    emulator = std::make_unique<Emulator>(ReaderConfig{.model = Model::KITEB, .rate = 9600});
    port = emulator->start_rfc2217(0);
  }

  void expect_session(const ClientRun& run) {
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.values.count("error"), 0u);
    EXPECT_EQ(run["cts"], "False");
    EXPECT_EQ(run["dsr"], "True");
    EXPECT_EQ(run["probe_answer"], hex(nack_frame(true)));  // 02 30 35 30 35 03
    EXPECT_EQ(run["cts_in_reset"], "True");
    EXPECT_EQ(run["startup_frame"], hex(encode_frame(header_data, Bytes{0xFF, 0x00, 0x01, 0x12}, true)));
    EXPECT_EQ(run["cts_off_after_boot"], "True");
    EXPECT_EQ(run["dsr_after_boot"], "True");
    EXPECT_EQ(run["done"], "True");
    auto state = emulator->state();
    EXPECT_EQ(state.probes_received, 1u);
    EXPECT_EQ(state.resets, 1u);
    EXPECT_EQ(state.startups_sent, 1u);
  }

  std::unique_ptr<Emulator> emulator;
  std::uint16_t port = 0;
};

TEST_F(PyserialClient, ReadsTheModemLinesProbesAndSeesCtsAcrossADtrReset) {
  expect_session(run_client(port));
}

TEST_F(PyserialClient, ModemStatePollsAreAnswered) {
  ClientRun run = run_client(port, "poll_modem");
  expect_session(run);
  SCOPED_TRACE(run.output);
  EXPECT_EQ(run["polled_cts"], "False");
  ASSERT_EQ(run.values.count("poll_seconds"), 1u);
  EXPECT_LT(std::stod(run["poll_seconds"]), 1.0);  // unanswered, pyserial waits 3 s
}

}  // namespace
}  // namespace kitesim
