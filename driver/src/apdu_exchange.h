// QX_ExchangeAPDU: the one data path to the card.
#pragma once

#include <cstdint>

#include "pelorus32.h"

namespace pelorus {

struct Library;

int32_t exchange_apdu(Library& lib, int32_t handle, QX_APDU* apdu);

}  // namespace pelorus
