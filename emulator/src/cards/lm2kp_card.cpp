// LM2KP: 256 bytes whose first 32 can be write-protected (reader card-type byte 06).
#include "protected_memory_card.h"

namespace kitesim {
namespace {

constexpr ProtectedMemoryModel model{
    .name = "lm2kp", .type_byte = 0x06, .size = 256, .protectable = 32, .code_length = 0, .changeable_code = false};

}  // namespace

std::unique_ptr<Card> make_lm2kp(const CardOptions& options) {
  return std::make_unique<ProtectedMemoryCard>(model, options.memory_file);
}

}  // namespace kitesim
