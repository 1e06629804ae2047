// The answer to reset the handler gives a memory card, which answers none of its own: the
// storage-card form applications know from contactless readers,
//   3B 8F 80 01 80 4F 0C A0 00 00 03 06 ss nn nn 00 00 00 00 tck
// with ss the standard byte and nn nn the card name. Nothing can tell which chip a memory card
// carries before an application says so, so until a type is selected (FF A4) both are 00. After
// that, ss names the bus of the chip's family (ISO/IEC 7816-10: 0D I2C, 0E extended I2C,
// 0F 2-wire, 10 3-wire; 00 for the others) and nn nn is F0 followed by the library's card-type
// code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pelorus::pcsc {

inline constexpr size_t kStorageAtrSize = 20;

// card_type 0: no type selected yet.
std::array<uint8_t, kStorageAtrSize> storage_card_atr(uint8_t card_type);

// The standard byte for a card type (see above).
uint8_t storage_standard_byte(uint8_t card_type);

}  // namespace pelorus::pcsc
