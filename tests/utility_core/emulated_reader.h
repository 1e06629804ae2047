// The utility's core against the emulated reader: kitesim runs in this process on a
// pseudo-terminal that COM1 points at, and the binding opens it as a KITEB at 9600 bit/s
// (reader type 4), loading libPelorus32.so and libDES.so by file name as the utility does.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "LogSink.h"
#include "kiteb.h"
#include "kitesim/card.h"
#include "kitesim/emulator.h"
#include "vela1.h"

namespace utility_core_test {

class LogLines : public kestrel::LogSink {
 public:
  void append(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

// A key or reference from its text, filled up with zero bytes, as the dialogs make them.
template <size_t N>
std::array<uint8_t, N> bytes_of(const std::string& text) {
  std::array<uint8_t, N> out{};
  std::copy_n(text.begin(), std::min(text.size(), N), out.begin());
  return out;
}
inline kestrel::Key key(const std::string& text) { return bytes_of<8>(text); }
inline kestrel::Reference reference(const std::string& text) { return bytes_of<4>(text); }

inline constexpr char kDemoCode[] = "58203716";
inline constexpr int32_t kReaderKitebAt9600 = 4;
inline constexpr int32_t kCom1 = 0;

class EmulatedReader : public ::testing::Test {
 protected:
  // Starts the emulator with the card inserted and opens the reader on it.
  void open_with(const char* model, kitesim::CardOptions options = {}) {
    ::setenv("PELORUS32_COM1", emulator.start_pty().c_str(), 1);
    if (model != nullptr) emulator.insert(kitesim::make_card(model, options));
    ASSERT_EQ(binding.open(kReaderKitebAt9600, kCom1), 0);
  }
  void scan_vela1() {
    ASSERT_EQ(vela1.scan(), 0);
    ASSERT_TRUE(vela1.is_vela1());
  }
  void authenticate() {
    vela1.mutual_authentication(key(kDemoCode), key(kDemoCode));
    ASSERT_TRUE(vela1.card().session_key_valid);
  }
  void TearDown() override { binding.close(); }

  kitesim::Emulator emulator;
  kestrel::Kiteb binding;
  kestrel::Vela1 vela1{binding};
  LogLines log;
};

}  // namespace utility_core_test
