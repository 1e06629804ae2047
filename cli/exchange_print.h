// One APDU exchange as scriptor prints it: "> command" and "< answer : meaning".
#pragma once

#include <ostream>
#include <span>

#include "hex.h"
#include "reader.h"

namespace pelorus {

// Sends the command bytes; returns data followed by SW1 SW2. Throws Failure for bytes that are
// not a short APDU (usage) and for the library's errors.
Bytes exchange_and_print(const Session& session, std::span<const std::uint8_t> command, std::ostream& out);

// "> RESET" and "< OK: ATR", after powering the card down and up again.
void reset_and_print(Session& session, std::ostream& out);

}  // namespace pelorus
