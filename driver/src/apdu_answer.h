// How a reader reply becomes the answer in the caller's QX_APDU. Pure functions over untrusted
// bytes: they write DataOut, Le and Status only when the whole answer is right, and never past
// DataOut.
#pragma once

#include <cstdint>

#include "pelorus32.h"

namespace pelorus {

struct Reply;

// A microcontroller card's or the security module's answer, after the reader's status check
// passed: the data is the card's response data followed by its SW1 SW2; a length byte 0xFF
// means the next two bytes carry the length, high byte first. 0; -1007 for no data; -1080 for a
// length that does not match the data received, a single byte (no room for SW1 SW2), or more
// than DataOut holds.
int32_t take_processor_answer(const Reply& reply, QX_APDU& apdu);

// A memory card's answer: Status is the reader's status word, Le and DataOut the reply's data.
// 0, or -1080 for a length byte that does not match the data received.
int32_t take_memory_answer(const Reply& reply, QX_APDU& apdu);

}  // namespace pelorus
