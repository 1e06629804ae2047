// The frame on the serial line, both ways:
//   [STX] header  byte byte ...  checksum  ETX
// with every byte (header and checksum included) sent as two ASCII hex characters "0"-"9" "A"-"F",
// high nibble first. The checksum makes the XOR of header, bytes and checksum zero. Header 01
// carries a command or a reply; header 05 asks the other side to send its last frame again.
// An empty frame (STX ETX) is the PC's presence probe.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kitesim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t stx = 0x02;
inline constexpr std::uint8_t etx = 0x03;
inline constexpr std::uint8_t header_data = 0x01;
inline constexpr std::uint8_t header_nack = 0x05;
// Longest frame either side sends, STX and ETX included.
inline constexpr std::size_t max_frame_size = 600;

std::uint8_t xor_checksum(std::uint8_t header, std::span<const std::uint8_t> bytes);

// A whole frame; corrupt_checksum makes the checksum wrong on purpose.
Bytes encode_frame(std::uint8_t header, std::span<const std::uint8_t> bytes, bool with_stx,
                   bool corrupt_checksum = false);
Bytes nack_frame(bool with_stx);

struct DecodedFrame {
  std::uint8_t header = 0;
  Bytes bytes;  // between header and checksum
};

enum class FrameError { bad_character, odd_length, too_short, bad_checksum };

struct FrameBody {
  std::optional<DecodedFrame> frame;
  FrameError error = FrameError::bad_character;  // when frame is empty
};

// Decodes the characters between STX (or the frame start) and ETX; an empty body is not a frame.
FrameBody decode_frame_body(std::span<const std::uint8_t> chars);

// Cuts the PC's byte stream into frame bodies. A frame starts at STX or, without STX, after the
// previous ETX; it ends at ETX. Bodies longer than a frame can be are not kept: they come out as
// overlong so the reader can ask for the frame again.
class FrameAssembler {
 public:
  struct Body {
    Bytes chars;
    bool overlong = false;
  };
  // Feeds bytes; returns the bodies completed by them, in order.
  std::vector<Body> feed(std::span<const std::uint8_t> bytes);
  void clear();

 private:
  Bytes chars_;
  bool overlong_ = false;
};

}  // namespace kitesim
