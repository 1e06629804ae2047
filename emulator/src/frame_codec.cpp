#include "frame_codec.h"

namespace kitesim {
namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";

void append_hex(Bytes& out, std::uint8_t byte) {
  out.push_back(static_cast<std::uint8_t>(hex_digits[byte >> 4]));
  out.push_back(static_cast<std::uint8_t>(hex_digits[byte & 0x0F]));
}

std::optional<std::uint8_t> nibble(std::uint8_t c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return std::nullopt;
}

}  // namespace

std::uint8_t xor_checksum(std::uint8_t header, std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = header;
  for (std::uint8_t b : bytes) sum ^= b;
  return sum;
}

Bytes encode_frame(std::uint8_t header, std::span<const std::uint8_t> bytes, bool with_stx,
                   bool corrupt_checksum) {
  Bytes out;
  out.reserve(2 * bytes.size() + 6);
  if (with_stx) out.push_back(stx);
  append_hex(out, header);
  for (std::uint8_t b : bytes) append_hex(out, b);
  std::uint8_t checksum = xor_checksum(header, bytes);
  if (corrupt_checksum) checksum ^= 0x01;
  append_hex(out, checksum);
  out.push_back(etx);
  return out;
}

Bytes nack_frame(bool with_stx) { return encode_frame(header_nack, {}, with_stx); }

FrameBody decode_frame_body(std::span<const std::uint8_t> chars) {
  Bytes decoded;
  decoded.reserve(chars.size() / 2);
  for (std::size_t i = 0; i + 1 < chars.size(); i += 2) {
    auto high = nibble(chars[i]);
    auto low = nibble(chars[i + 1]);
    if (!high || !low) return {std::nullopt, FrameError::bad_character};
    decoded.push_back(static_cast<std::uint8_t>(*high << 4 | *low));
  }
  if (chars.size() % 2 != 0) {
    // Still report a bad character first: it says more about the line than the length does.
    if (!nibble(chars.back())) return {std::nullopt, FrameError::bad_character};
    return {std::nullopt, FrameError::odd_length};
  }
  if (decoded.size() < 2) return {std::nullopt, FrameError::too_short};
  std::uint8_t sum = 0;
  for (std::uint8_t b : decoded) sum ^= b;
  if (sum != 0) return {std::nullopt, FrameError::bad_checksum};
  DecodedFrame frame;
  frame.header = decoded.front();
  frame.bytes.assign(decoded.begin() + 1, decoded.end() - 1);
  return {std::move(frame), FrameError::bad_character};
}

std::vector<FrameAssembler::Body> FrameAssembler::feed(std::span<const std::uint8_t> bytes) {
  std::vector<Body> bodies;
  for (std::uint8_t b : bytes) {
    if (b == stx) {
      clear();
    } else if (b == etx) {
      bodies.push_back({overlong_ ? Bytes{} : std::move(chars_), overlong_});
      clear();
    } else if (chars_.size() < max_frame_size - 2) {
      chars_.push_back(b);
    } else {
      overlong_ = true;
    }
  }
  return bodies;
}

void FrameAssembler::clear() {
  chars_.clear();
  overlong_ = false;
}

}  // namespace kitesim
