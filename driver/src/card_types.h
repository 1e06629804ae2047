// The card-type codes: the byte each one selects in the reader, and how its exchanges go.
#pragma once

#include <cstdint>

namespace pelorus {

// The reader's card-type byte of a card-type code 0 to 25 (the security module is not selected
// this way: it has a reset command of its own).
uint8_t reader_card_byte(uint8_t card_type);

}  // namespace pelorus
