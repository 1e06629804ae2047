// The emulated reader in the test process, on a pseudo-terminal that COM1 names, for the
// pelorus program that each test runs as a child: a KITEB at 9600 bit/s (a pseudo-terminal
// carries no DTR, so the tests name the reader rather than detect it).
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "kitesim/card.h"
#include "kitesim/emulator.h"
#include "program_run.h"

namespace cli_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes file_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void write_file(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void write_text(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

class EmulatedReader : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("pelorus-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    emulator = std::make_unique<kitesim::Emulator>(kitesim::ReaderConfig{.model = kitesim::Model::KITEB, .rate = 9600});
    ::setenv("PELORUS32_COM1", emulator->start_pty().c_str(), 1);
  }
  void TearDown() override {
    emulator.reset();
    std::filesystem::remove_all(dir);
  }

  void insert(const std::string& model, const kitesim::CardOptions& options = {}) {
    emulator->insert(kitesim::make_card(model, options));
  }

  // The program with the reader named, so that it does not try to detect one.
  Outcome pelorus(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin() + 1, {"--reader", "KITEB_9600"});
    return run(args, input);
  }

  std::string path(const std::string& name) const { return (dir / name).string(); }

  std::filesystem::path dir;
  std::unique_ptr<kitesim::Emulator> emulator;
};

}  // namespace cli_test
