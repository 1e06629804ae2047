// Debian's pcscd run by the test itself (a private one: see private_pcscd.h) with the handler
// built here serving the emulated reader in the test's process, and the clients run against it.
// Everything started is killed and reaped when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "private_pcscd.h"
#include "ifdh_reader.h"
#include "kitesim/emulator.h"

namespace pcsc_test {

inline constexpr const char* kReaderName = "Pelorus test reader 00 00";

class PcscdReader : public ::testing::TestWithParam<Transport> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the emulator with the card (none for ""), then pcscd on it; fails the test when the
  // reader is not up within the bound.
  // The transport is the test's parameter unless given.
  void start(const std::string& card = "", std::optional<Transport> transport = std::nullopt);

  // A client run to its end (at most 30 s): its outcome, with its output split into lines.
  test_support::Outcome client(const std::string& program, const std::vector<std::string>& args);
  test_support::Outcome pyscard(const std::vector<std::string>& args);
  static std::vector<std::string> lines(const std::string& text);

  std::unique_ptr<kitesim::Emulator> emulator;
  uint16_t rfc2217_port = 0;  // over RFC 2217: the emulator's port
  std::filesystem::path folder;
  std::unique_ptr<test_support::PrivatePcscd> pcscd;
};

}  // namespace pcsc_test
