// Memory cards have no APDUs: INS names a logical command, and a table indexed by card type and
// command picks the routine that carries it out.
#pragma once

#include <cstdint>

#include "pelorus32.h"

namespace pelorus {

struct HandleCall;

// The logical command in INS for the session's memory card. 0 or an error code; after an error
// the record's Status, Le and DataOut are as they were.
int32_t exchange_with_memory_card(const HandleCall& call, QX_APDU& apdu);

// True when the card type serves the logical command.
bool memory_command_supported(uint8_t card_type, uint8_t ins);

}  // namespace pelorus
