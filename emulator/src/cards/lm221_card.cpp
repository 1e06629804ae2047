// LM221: a counter card of 48 bytes (reader card-type byte 01) with authentication: chip and card
// identification 0 to 7, the counter stages 8 to 12, the tearing flags (control byte) at 13,
// auxiliary data 14 and 15, key 1 at 16 (6 bytes) and key 2 at 40 (8 bytes); 22 to 39 are free.
// The reader reads 8 to 13 at every power-up and completes a carry whose tearing flag is clear.
#include "counter_card.h"

namespace kitesim {
namespace {

constexpr CounterCardModel model{.name = "lm221",
                                 .type_byte = 0x01,
                                 .size = 48,
                                 .tearing_flags = 13,
                                 .keys = {{{16, 6}, {40, 8}}},
                                 .challenge = Challenge::six_bytes,
                                 .erase = false};

}  // namespace

std::unique_ptr<Card> make_lm221(const CardOptions& options) {
  return std::make_unique<CounterCard>(model, options.memory_file);
}

}  // namespace kitesim
