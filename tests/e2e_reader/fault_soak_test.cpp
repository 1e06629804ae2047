// Exchanges against a reader whose answers are corrupted, dropped, refused or preceded by card
// events: every call returns either the right data or one of the exchange's error codes, never
// wrong data, and never waits longer than the exchange's bound.
#include <chrono>
#include <cstdlib>
#include <random>

#include "faulty_reader.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST_F(FaultyReader, ThousandsOfExchangesNeverGiveWrongData) {
  std::mt19937 random(20261208);
  // Four failed waits of the scaled 1000 ms, three sends, and room for a loaded machine.
  const char* scale = std::getenv("PELORUS32_TIME_SCALE");
  const auto bound = 4 * 1000ms * (scale != nullptr ? std::atof(scale) : 1.0) + 500ms;
  int failures = 0;
  for (int i = 0; i < 2000; ++i) {
    kitesim::Faults faults;
    switch (random() % 8) {
      case 0: faults.corrupt_next = random() % 5; break;
      case 1: faults.drop_next = random() % 5; break;
      case 2: faults.nack_next = random() % 4; break;
      case 3: faults.interleave_next = 1 + random() % 2; break;
      default: break;  // most exchanges run clean
    }
    emulator->set_faults(faults);
    const auto seed = static_cast<uint8_t>(random());
    const int length = 1 + static_cast<int>(random() % 256);
    QX_APDU apdu{};
    const auto started = Clock::now();
    const int32_t result = echo(seed, length, apdu);
    const auto took = Clock::now() - started;

    ASSERT_LT(took, bound) << "exchange " << i;
    if (result == 0) {
      ASSERT_TRUE(echoed(apdu, seed, length)) << "wrong data in exchange " << i;
    } else {
      ASSERT_TRUE(result == -1080 || result == -1081) << "exchange " << i << " gave " << result;
      ++failures;
    }
    emulator->clear_faults();
  }
  RecordProperty("failures", failures);
}

}  // namespace
