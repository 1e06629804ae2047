// LM2KS: 256 bytes whose first 32 can be write-protected (reader card-type byte 06), writable
// after its three-byte security code, which it can change.
#include "protected_memory_card.h"

namespace kitesim {
namespace {

constexpr ProtectedMemoryModel model{
    .name = "lm2ks", .type_byte = 0x06, .size = 256, .protectable = 32, .code_length = 3, .changeable_code = true};

}  // namespace

std::unique_ptr<Card> make_lm2ks(const CardOptions& options) {
  return std::make_unique<ProtectedMemoryCard>(model, options.memory_file);
}

}  // namespace kitesim
