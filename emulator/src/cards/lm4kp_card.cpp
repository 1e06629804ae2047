// LM4KP: 256 words (512 bytes) of registers (reader card-type byte 09) with word erase and erase
// all; the protection register counts in steps of 16 words, so register p protects the words
// from 16 x p to the end.
#include "word_memory_card.h"

namespace kitesim {
namespace {

constexpr WordMemoryModel model{.name = "lm4kp", .type_byte = 0x09, .words = 256, .words_per_step = 16, .erase = true};

}  // namespace

std::unique_ptr<Card> make_lm4kp(const CardOptions& options) {
  return std::make_unique<WordMemoryCard>(model, options.memory_file);
}

}  // namespace kitesim
