// What a card's SW1 SW2 mean, after ISO/IEC 7816-4.
#pragma once

#include <cstdint>
#include <string>

namespace pelorus {

std::string status_meaning(std::uint16_t sw);

}  // namespace pelorus
