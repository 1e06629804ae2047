// The keyboard-port coding. A request is one message:
//   35 00 01  (start byte, header 01 as two nibble values)
//   each command byte as two bytes holding its high and low nibble values (0-15)
//   the checksum (01 XOR every command byte) as two nibble values
//   34
// A reply is one message: 35, then header 01 and each reply byte (status1 status2 length data
// checksum) as two key scan codes (scan code set 1 make codes of the hex digit keys), then 34.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kitesim {

using Bytes = std::vector<std::uint8_t>;

// The reader's answer to one request, and how long the reader takes before giving it.
struct KeyboardAnswer {
  Bytes message;  // empty: the request completes with no bytes, as for a request it cannot read
  std::chrono::milliseconds delay{0};
};

inline constexpr std::uint8_t keyboard_start = 0x35;
inline constexpr std::uint8_t keyboard_end = 0x34;

// The command bytes of a well-formed request; nullopt for anything else.
std::optional<Bytes> decode_keyboard_request(std::span<const std::uint8_t> message);
Bytes encode_keyboard_request(std::span<const std::uint8_t> command);

// header and bytes are coded as they are; the checksum is added (wrong when corrupt_checksum).
Bytes encode_keyboard_reply(std::uint8_t header, std::span<const std::uint8_t> bytes,
                            bool corrupt_checksum = false);
// The header and bytes of a reply (checksum checked and removed); nullopt when malformed.
std::optional<Bytes> decode_keyboard_reply(std::span<const std::uint8_t> message);

std::uint8_t scan_code_of_digit(std::uint8_t value);
std::optional<std::uint8_t> digit_of_scan_code(std::uint8_t code);

}  // namespace kitesim
