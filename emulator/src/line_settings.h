// The PC side's line settings, and what a reader at another rate makes of its bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kitesim {

struct LineSettings {
  std::uint32_t rate = 9600;
  bool format_8n1 = true;  // 8 data bits, no parity, one stop bit
};

// Bytes only get across when both ends use the same rate and the reader's 8N1 format.
inline bool line_matches(const LineSettings& pc, std::uint32_t reader_rate) {
  return pc.format_8n1 && pc.rate == reader_rate;
}

// What a receiver at the wrong rate reads instead of the bytes sent: noise. The top bit is always
// set, so the noise never holds STX or ETX and can never complete a frame.
inline std::vector<std::uint8_t> garble(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> noise;
  noise.reserve(bytes.size());
  for (std::uint8_t b : bytes) noise.push_back(static_cast<std::uint8_t>(0x80 | (b ^ 0x55)));
  return noise;
}

}  // namespace kitesim
