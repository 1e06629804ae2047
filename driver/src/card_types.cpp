#include "card_types.h"

#include <array>

#include "pelorus32.h"

namespace pelorus {
namespace {

constexpr std::array<uint8_t, QX_CARD_LAST + 1> kReaderCardBytes = {
    0x00,  // 0 auto detect
    0x01,  // 1 LM104
    0x01,  // 2 LM221
    0x03,  // 3 SLE4404
    0x03,  // 4 GPM896
    0x03,  // 5 AT101
    0x03,  // 6 AT102
    0x05,  // 7 LM8KP
    0x05,  // 8 LM8KS
    0x06,  // 9 LM2KP
    0x06,  // 10 LM2KS
    0x02,  // 11 IIC
    0x07,  // 12 XIIC
    0x03,  // 13 AT1604
    0x0C,  // 14 MCU T=0
    0x0D,  // 15 MCU T=1
    0x00,  // 16 security module (not sent)
    0x08,  // 17 LM256
    0x09,  // 18 LM4KP
    0x0A,  // 19 X76F041
    0x02,  // 20 X24645
    0x01,  // 21 ST1335
    0x0B,  // 22 ST1333
    0x0E,  // 23 X76F128
    0x0E,  // 24 X76F640
    0x10,  // 25 X76F100
};

}  // namespace

uint8_t reader_card_byte(uint8_t card_type) {
  return card_type < kReaderCardBytes.size() ? kReaderCardBytes[card_type] : 0;
}

}  // namespace pelorus
