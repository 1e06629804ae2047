// X76F128: password card with array 0 of 16384 bytes and array 1 of 64 (reader card-type byte 0E).
#include "x76f_array_card.h"

namespace kitesim {

std::unique_ptr<Card> make_x76f128(const CardOptions& options) {
  return std::make_unique<X76fArrayCard>("x76f128", 16384, options.memory_file);
}

}  // namespace kitesim
