// LM256: 16 words (32 bytes) of registers (reader card-type byte 08); the protection register
// counts in words, so register p protects words p to 15.
#include "word_memory_card.h"

namespace kitesim {
namespace {

constexpr WordMemoryModel model{.name = "lm256", .type_byte = 0x08, .words = 16, .words_per_step = 1, .erase = false};

}  // namespace

std::unique_ptr<Card> make_lm256(const CardOptions& options) {
  return std::make_unique<WordMemoryCard>(model, options.memory_file);
}

}  // namespace kitesim
