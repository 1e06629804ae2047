// Bytes as the utility shows them everywhere, in its log, its fields and its dialogs: each as two
// uppercase hexadecimal digits.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kestrel {

// "0A".
std::string hex_byte(uint8_t byte);

// Each byte as two digits followed by a space: "3B 02 14 ".
std::string hex_bytes_spaced(std::span<const uint8_t> bytes);

// The bytes as two digits each, one space between them: "3B 02 14".
std::string hex_bytes_joined(std::span<const uint8_t> bytes);

}  // namespace kestrel
