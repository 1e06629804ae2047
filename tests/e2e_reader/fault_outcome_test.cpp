// Each fault of the reader's answers alone, at every count: the outcome follows from the
// exchange's rules (three sends, three NACKs, four failed waits at the most).
#include "faulty_reader.h"

namespace {

using namespace e2e;

TEST_F(FaultyReader, EachFaultHasItsExactOutcome) {
  const struct {
    const char* name;
    kitesim::Faults faults;
    int32_t expected;
  } cases[] = {
      {"3 corrupt", {.corrupt_next = 3}, 0},  {"4 corrupt", {.corrupt_next = 4}, -1080},
      {"3 dropped", {.drop_next = 3}, 0},     {"4 dropped", {.drop_next = 4}, -1081},
      {"2 refused", {.nack_next = 2}, 0},     {"3 refused", {.nack_next = 3}, -1080},
  };
  uint8_t seed = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    emulator->set_faults(c.faults);
    QX_APDU apdu{};
    EXPECT_EQ(echo(++seed, 16, apdu), c.expected);
    if (c.expected == 0) {
      EXPECT_TRUE(echoed(apdu, seed, 16));
    }
    emulator->clear_faults();
    EXPECT_EQ(echo(++seed, 16, apdu), 0) << "the next exchange recovers";
  }
}

}  // namespace
