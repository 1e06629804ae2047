#include "bytes.h"

#include <cctype>
#include <stdexcept>

namespace testing_support {
namespace {

int nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  throw std::invalid_argument("not a hex digit");
}

void put_hex_pair(Bytes& out, uint8_t b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back(static_cast<uint8_t>(kDigits[b >> 4]));
  out.push_back(static_cast<uint8_t>(kDigits[b & 15]));
}

}  // namespace

Bytes hex(std::string_view text) {
  Bytes out;
  int high = -1;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    if (high < 0) {
      high = nibble(c);
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | nibble(c)));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd number of hex digits");
  return out;
}

std::string to_hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) s += ' ';
    s += kDigits[bytes[i] >> 4];
    s += kDigits[bytes[i] & 15];
  }
  return s;
}

Bytes frame(std::string_view payload_hex, bool with_stx, uint8_t header) {
  Bytes out;
  if (with_stx) out.push_back(0x02);
  put_hex_pair(out, header);
  uint8_t x = header;
  for (uint8_t b : hex(payload_hex)) {
    put_hex_pair(out, b);
    x ^= b;
  }
  put_hex_pair(out, x);
  out.push_back(0x03);
  return out;
}

Bytes frame_with_bad_checksum(std::string_view payload_hex) {
  Bytes out = frame(payload_hex);
  out[out.size() - 2] = out[out.size() - 2] == '0' ? '1' : '0';
  return out;
}

Bytes reply(uint16_t status, const Bytes& data, bool with_stx) {
  Bytes payload = {static_cast<uint8_t>(status >> 8), static_cast<uint8_t>(status), static_cast<uint8_t>(data.size())};
  payload.insert(payload.end(), data.begin(), data.end());
  return frame(to_hex(payload), with_stx);
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace testing_support
