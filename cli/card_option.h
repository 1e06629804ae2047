// --card for the commands that talk to a microcontroller card or the security module.
#pragma once

#include <cstdint>
#include <string>

#include "failure.h"

namespace pelorus {

// "auto" (the default), "T0", "T1", "SAM", or, where memory cards are allowed, any card type.
std::uint8_t card_option_value(const std::string& text, bool memory_cards_allowed);

}  // namespace pelorus
