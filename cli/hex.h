// Bytes as text: two uppercase hex digits per byte, and the parse of what users type (with or
// without spaces between the bytes).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelorus {

using Bytes = std::vector<std::uint8_t>;

// "00A4 04 00" → {00 A4 04 00}; nullopt for anything but hex digits and blanks, or an odd count
// of digits.
std::optional<Bytes> parse_hex(std::string_view text);

// "00 A4 04 00": bytes joined by one space.
std::string hex_text(std::span<const std::uint8_t> bytes);

// "01A2": a value as `digits` uppercase hex digits.
std::string hex_number(std::uint32_t value, int digits);

}  // namespace pelorus
