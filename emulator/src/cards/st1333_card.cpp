// ST1333: a counter card of 47 bytes (reader card-type byte 0B) with erase and authentication: circuit
// and card identification 0 to 7, the counter stages 8 to 12, certificate 14 and 15, the
// authentication key at 16 (8 bytes), tearing flags at 36 (bits 0 to 3 of its first byte) and
// the user area 40 to 46.
#include "counter_card.h"

namespace kitesim {
namespace {

constexpr CounterCardModel model{.name = "st1333",
                                 .type_byte = 0x0B,
                                 .size = 47,
                                 .tearing_flags = 36,
                                 .keys = {{{16, 8}, {}}},
                                 .challenge = Challenge::four_bytes,
                                 .erase = true};

}  // namespace

std::unique_ptr<Card> make_st1333(const CardOptions& options) {
  return std::make_unique<CounterCard>(model, options.memory_file);
}

}  // namespace kitesim
