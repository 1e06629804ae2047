#include "HexBytes.h"

namespace kestrel {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

void append_hex_byte(std::string& text, uint8_t byte) {
  text += kDigits[byte >> 4];
  text += kDigits[byte & 0x0F];
}

}  // namespace

std::string hex_byte(uint8_t byte) {
  std::string text;
  append_hex_byte(text, byte);
  return text;
}

std::string hex_bytes_spaced(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  for (uint8_t b : bytes) {
    append_hex_byte(text, b);
    text += ' ';
  }
  return text;
}

std::string hex_bytes_joined(std::span<const uint8_t> bytes) {
  std::string text = hex_bytes_spaced(bytes);
  if (!text.empty()) text.pop_back();
  return text;
}

}  // namespace kestrel
