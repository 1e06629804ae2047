#include "keyboard_coding.h"

#include <array>

#include "frame_codec.h"

namespace kitesim {
namespace {

// Scan code set 1 make codes of the keys 0-9 and A-F, indexed by the digit's value.
constexpr std::array<std::uint8_t, 16> digit_scan_codes{
    0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,  // 0-7
    0x09, 0x0A, 0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21,  // 8, 9, A-F
};

}  // namespace

std::uint8_t scan_code_of_digit(std::uint8_t value) { return digit_scan_codes[value & 0x0F]; }

std::optional<std::uint8_t> digit_of_scan_code(std::uint8_t code) {
  for (std::size_t i = 0; i < digit_scan_codes.size(); ++i)
    if (digit_scan_codes[i] == code) return static_cast<std::uint8_t>(i);
  return std::nullopt;
}

std::optional<Bytes> decode_keyboard_request(std::span<const std::uint8_t> message) {
  // Start, header pair, at least a command code and length byte, checksum pair, end.
  if (message.size() < 10 || message.size() % 2 != 0) return std::nullopt;
  if (message.front() != keyboard_start || message.back() != keyboard_end) return std::nullopt;
  auto nibbles = message.subspan(1, message.size() - 2);
  Bytes decoded;
  for (std::size_t i = 0; i < nibbles.size(); i += 2) {
    if (nibbles[i] > 0x0F || nibbles[i + 1] > 0x0F) return std::nullopt;
    decoded.push_back(static_cast<std::uint8_t>(nibbles[i] << 4 | nibbles[i + 1]));
  }
  std::uint8_t sum = 0;
  for (std::uint8_t b : decoded) sum ^= b;
  if (decoded.front() != header_data || sum != 0) return std::nullopt;
  return Bytes(decoded.begin() + 1, decoded.end() - 1);
}

Bytes encode_keyboard_request(std::span<const std::uint8_t> command) {
  Bytes out{keyboard_start, 0x00, header_data};
  for (std::uint8_t b : command) {
    out.push_back(b >> 4);
    out.push_back(b & 0x0F);
  }
  std::uint8_t checksum = xor_checksum(header_data, command);
  out.push_back(checksum >> 4);
  out.push_back(checksum & 0x0F);
  out.push_back(keyboard_end);
  return out;
}

Bytes encode_keyboard_reply(std::uint8_t header, std::span<const std::uint8_t> bytes,
                            bool corrupt_checksum) {
  Bytes out{keyboard_start};
  auto append = [&out](std::uint8_t b) {
    out.push_back(scan_code_of_digit(b >> 4));
    out.push_back(scan_code_of_digit(b & 0x0F));
  };
  append(header);
  for (std::uint8_t b : bytes) append(b);
  std::uint8_t checksum = xor_checksum(header, bytes);
  append(corrupt_checksum ? static_cast<std::uint8_t>(checksum ^ 0x01) : checksum);
  out.push_back(keyboard_end);
  return out;
}

std::optional<Bytes> decode_keyboard_reply(std::span<const std::uint8_t> message) {
  if (message.size() < 6 || message.size() % 2 != 0) return std::nullopt;
  if (message.front() != keyboard_start || message.back() != keyboard_end) return std::nullopt;
  Bytes decoded;
  for (std::size_t i = 1; i + 2 < message.size(); i += 2) {
    auto high = digit_of_scan_code(message[i]);
    auto low = digit_of_scan_code(message[i + 1]);
    if (!high || !low) return std::nullopt;
    decoded.push_back(static_cast<std::uint8_t>(*high << 4 | *low));
  }
  std::uint8_t sum = 0;
  for (std::uint8_t b : decoded) sum ^= b;
  if (sum != 0) return std::nullopt;
  decoded.pop_back();
  return decoded;
}

}  // namespace kitesim
