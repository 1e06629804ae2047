// QX_ExchangeAPDU: the one data path to the card.
#pragma once

#include <cstdint>

#include "pelorus32.h"

namespace pelorus {

struct HandleCall;

int32_t exchange_apdu(const HandleCall& call, QX_APDU* apdu);

}  // namespace pelorus
