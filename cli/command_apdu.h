// A command APDU as typed (CLA INS P1 P2 [Lc data] [Le], ISO/IEC 7816-4 short form), split
// into the library's record.
#pragma once

#include <span>
#include <string>
#include <variant>

#include "hex.h"
#include "pelorus32.h"

namespace pelorus {

// The record, or why the bytes are not a short APDU. Le 00 asks for 256 bytes.
std::variant<QX_APDU, std::string> split_apdu(std::span<const std::uint8_t> bytes);

}  // namespace pelorus
