// Memory cards have no APDUs: INS names a logical command, and the card type decides which
// reader commands carry it out.
#pragma once

#include <cstdint>

#include "pelorus32.h"

namespace pelorus {

struct Library;
struct PortState;

int32_t exchange_with_memory_card(Library& lib, PortState& port, uint8_t card_type, QX_APDU& apdu);

}  // namespace pelorus
