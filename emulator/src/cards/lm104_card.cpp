// LM104: a 104-bit counter card of 13 bytes (reader card-type byte 01): identification area 0 to
// 7 and the five counter stages 8 to 12; no tearing flags, keys or authentication.
#include "counter_card.h"

namespace kitesim {
namespace {

constexpr CounterCardModel model{.name = "lm104",
                                 .type_byte = 0x01,
                                 .size = 13,
                                 .tearing_flags = std::nullopt,
                                 .keys = {},
                                 .challenge = Challenge::none,
                                 .erase = false};

}  // namespace

std::unique_ptr<Card> make_lm104(const CardOptions& options) {
  return std::make_unique<CounterCard>(model, options.memory_file);
}

}  // namespace kitesim
