// Exchanges against a reader whose answers are corrupted, dropped, refused, preceded by card
// events or held back past the reply wait, on every transport: every call returns either the
// right data or one of the exchange's error codes, never another command's data, and never waits
// longer than the exchange's bound.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <random>
#include <string>

#include "faulty_reader.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

enum class Port { Pty, Rfc2217, Keyboard };

std::string name_of(Port port) {
  switch (port) {
    case Port::Pty: return "pty";
    case Port::Rfc2217: return "rfc2217";
    case Port::Keyboard: return "keyboard";
  }
  return "?";
}

void PrintTo(Port port, std::ostream* os) { *os << name_of(port); }

class FaultSoak : public EmulatedReader, public ::testing::WithParamInterface<Port> {
 protected:
  void SetUp() override {
    const Port port = GetParam();
    start(kiteb(), port == Port::Rfc2217 ? Transport::Rfc2217 : Transport::Pty);
    handle_port = QX_PORT_COM1;
    if (port == Port::Keyboard) {
      const std::string path = ::testing::TempDir() + "pelorus-soak-keyboard-" + std::to_string(::getpid());
      emulator->start_keyboard_socket(path);
      ::setenv("PELORUS32_KEYBOARD", path.c_str(), 1);
      handle_port = QX_PORT_KEYBOARD;
    }
    emulator->insert(kitesim::make_card("mcu-t0"));
    ASSERT_EQ(QX_Open(4, handle_port), 0);
    start_session(QX_CARD_MCU_T0);
  }

  int32_t handle_port = QX_PORT_COM1;
};

// The reply wait at the time scale the suite runs with.
std::chrono::microseconds reply_wait() {
  const char* scale = std::getenv("PELORUS32_TIME_SCALE");
  return std::chrono::microseconds(static_cast<long>(1'000'000 * (scale != nullptr ? std::atof(scale) : 1.0)));
}

TEST_P(FaultSoak, LateAndFaultyAnswersNeverGiveWrongData) {
  std::mt19937 random(20261209);
  const auto wait = reply_wait();
  // Two waits to resynchronise, four for replies, and room for a loaded machine.
  const auto bound = 6 * wait + 500ms;
  int failures = 0;
  for (int i = 0; i < 1500; ++i) {
    kitesim::Faults faults;
    switch (random() % 10) {
      case 0: faults.corrupt_next = random() % 5; break;
      case 1: faults.drop_next = random() % 5; break;
      case 2: faults.nack_next = random() % 4; break;
      case 3: faults.interleave_next = 1 + random() % 2; break;
      case 4: faults.delay = std::chrono::duration_cast<std::chrono::milliseconds>(wait / 2); break;
      case 5: faults.delay = std::chrono::duration_cast<std::chrono::milliseconds>(wait * 3 / 2); break;
      default: break;  // most exchanges run clean
    }
    emulator->set_faults(faults);
    const auto seed = static_cast<uint8_t>(random());
    const int length = 1 + static_cast<int>(random() % 256);
    QX_APDU apdu{};
    const auto started = Clock::now();
    const int32_t result = echo(seed, length, apdu);
    const auto took = Clock::now() - started;
    emulator->clear_faults();

    ASSERT_LT(took, bound) << "exchange " << i;
    if (result == 0) {
      ASSERT_TRUE(echoed(apdu, seed, length)) << "wrong data in exchange " << i;
    } else {
      ASSERT_TRUE(result == -1080 || result == -1081) << "exchange " << i << " gave " << result;
      ++failures;
    }
  }
  RecordProperty("failures", failures);
}

INSTANTIATE_TEST_SUITE_P(Transports, FaultSoak, ::testing::Values(Port::Pty, Port::Rfc2217, Port::Keyboard),
                         [](const auto& info) { return name_of(info.param); });

}  // namespace
