// Byte strings for tests: written as hex text, shown as hex text, framed the way the reader
// frames them. Kept apart from the driver's own codec so that a fault there is not repeated here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

using Bytes = std::vector<uint8_t>;

// "02 30 31" or "023031" -> bytes.
Bytes hex(std::string_view text);

// Bytes -> "02 30 31".
std::string to_hex(const Bytes& bytes);

// [STX] header pair, each byte as two ASCII-hex characters, XOR checksum pair, ETX.
Bytes frame(std::string_view payload_hex, bool with_stx = true, uint8_t header = 0x01);

// The same frame with its checksum spoiled.
Bytes frame_with_bad_checksum(std::string_view payload_hex);

// A reply frame: status word, length byte, data.
Bytes reply(uint16_t status, const Bytes& data = {}, bool with_stx = true);

Bytes operator+(Bytes a, const Bytes& b);

inline const Bytes kNack = {0x02, 0x30, 0x35, 0x30, 0x35, 0x03};
inline const Bytes kProbe = {0x02, 0x03};

}  // namespace testing_support
