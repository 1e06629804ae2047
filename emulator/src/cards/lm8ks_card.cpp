// LM8KS: 1024 bytes, each of which can be write-protected (reader card-type byte 05), writable
// after its two-byte security code.
#include "protected_memory_card.h"

namespace kitesim {
namespace {

constexpr ProtectedMemoryModel model{
    .name = "lm8ks", .type_byte = 0x05, .size = 1024, .protectable = 1024, .code_length = 2, .changeable_code = false};

}  // namespace

std::unique_ptr<Card> make_lm8ks(const CardOptions& options) {
  return std::make_unique<ProtectedMemoryCard>(model, options.memory_file);
}

}  // namespace kitesim
