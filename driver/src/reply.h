// A decoded reader reply: status 1, status 2, length byte, data, checksum.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "frame_codec.h"

namespace pelorus {

struct Reply {
  std::array<uint8_t, codec::kReplyCapacity> bytes{};
  size_t length = 0;  // decoded bytes, checksum included

  // The smallest reply: two status bytes, the length byte and the checksum.
  static constexpr size_t kMinimumLength = 4;

  uint8_t sw1() const { return bytes[0]; }
  uint8_t sw2() const { return bytes[1]; }
  uint16_t status_word() const { return static_cast<uint16_t>(sw1() << 8 | sw2()); }
  uint8_t length_byte() const { return bytes[2]; }

  // Everything between the length byte and the checksum.
  std::span<const uint8_t> payload() const {
    return length < kMinimumLength ? std::span<const uint8_t>{} : std::span(bytes).subspan(3, length - kMinimumLength);
  }

  // True when the frame carried exactly the data its length byte announces: a reply with more
  // or less is not the reader's answer (noise that happened to pass the checksum, or a frame
  // from another command).
  bool length_matches() const { return length >= kMinimumLength && length_byte() == payload().size(); }
  // The data the length byte announces, as far as the frame carried it.
  std::span<const uint8_t> data() const { return payload().first(std::min<size_t>(length_byte(), payload().size())); }

  // Keeps the status and hands out no data (length byte 0).
  void drop_data() {
    if (length < kMinimumLength) return;
    bytes[2] = 0;
    bytes[3] = bytes[length - 1];
    length = kMinimumLength;
  }
};

}  // namespace pelorus
