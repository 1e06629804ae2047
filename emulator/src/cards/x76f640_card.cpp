// X76F640: password card with array 0 of 8192 bytes and array 1 of 64 (reader card-type byte 0E).
#include "x76f_array_card.h"

namespace kitesim {

std::unique_ptr<Card> make_x76f640(const CardOptions& options) {
  return std::make_unique<X76fArrayCard>("x76f640", 8192, options.memory_file);
}

}  // namespace kitesim
