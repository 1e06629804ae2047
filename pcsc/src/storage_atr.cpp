#include "storage_atr.h"

#include "pelorus32.h"

namespace pelorus::pcsc {

uint8_t storage_standard_byte(uint8_t card_type) {
  switch (card_type) {
    case QX_CARD_IIC: return 0x0D;
    case QX_CARD_XIIC: return 0x0E;
    case QX_CARD_LM2KP:
    case QX_CARD_LM2KS: return 0x0F;
    case QX_CARD_LM8KP:
    case QX_CARD_LM8KS: return 0x10;
    default: return 0x00;
  }
}

std::array<uint8_t, kStorageAtrSize> storage_card_atr(uint8_t card_type) {
  const uint8_t name_high = card_type == 0 ? 0x00 : 0xF0;
  std::array<uint8_t, kStorageAtrSize> atr{0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                                           0x03, 0x06, storage_standard_byte(card_type), name_high,
                                           card_type, 0x00, 0x00, 0x00, 0x00, 0x00};
  // TCK: the XOR of every byte from T0 to the last historical byte.
  uint8_t check = 0;
  for (size_t i = 1; i + 1 < atr.size(); ++i) check ^= atr[i];
  atr.back() = check;
  return atr;
}

}  // namespace pelorus::pcsc
