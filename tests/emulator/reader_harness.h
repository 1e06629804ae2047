// Drives the transport-free reader core on a clock of its own, so tests step time instead of
// sleeping, and reads what the reader put on the line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frame_codec.h"
#include "reader.h"

namespace kitesim::testing {

inline Bytes ascii(std::string_view text) { return Bytes(text.begin(), text.end()); }

// The wire form of a frame written as text: "<" for STX, ">" for ETX, the rest as it is.
inline Bytes wire(std::string_view text) {
  Bytes out;
  for (char c : text) out.push_back(c == '<' ? stx : c == '>' ? etx : static_cast<std::uint8_t>(c));
  return out;
}

inline Bytes command_frame(std::initializer_list<std::uint8_t> command, bool with_stx = true) {
  return encode_frame(header_data, Bytes(command), with_stx);
}

class ReaderHarness {
 public:
  explicit ReaderHarness(ReaderConfig config = {}) : reader(config), pc{config.rate, true} {}

  void send(const Bytes& bytes) { reader.receive(bytes, pc, now); }
  void send_command(std::initializer_list<std::uint8_t> command) {
    send(command_frame(command, reader.state().model == Model::KITEB));
  }
  void wait(std::chrono::milliseconds time) {
    now += time;
    reader.advance(now);
  }
  void set_dtr(bool on) { reader.set_dtr(on, now); }

  // Everything the reader sent since the last call, each write as one entry.
  std::vector<LineOutput> output() {
    reader.advance(now);
    return reader.take_output();
  }
  // The bytes of all writes since the last call, joined.
  Bytes bytes() {
    Bytes all;
    for (const LineOutput& item : output())
      if (item.kind == LineOutput::Kind::bytes) all.insert(all.end(), item.bytes.begin(), item.bytes.end());
    return all;
  }
  // The one frame the reader sent since the last call, decoded; fails the test otherwise.
  DecodedFrame reply() {
    Bytes all = bytes();
    FrameAssembler assembler;
    auto bodies = assembler.feed(all);
    EXPECT_EQ(bodies.size(), 1u) << "the reader sent " << std::string(all.begin(), all.end());
    if (bodies.size() != 1) return {};
    auto decoded = decode_frame_body(bodies[0].chars);
    EXPECT_TRUE(decoded.frame.has_value());
    return decoded.frame.value_or(DecodedFrame{});
  }

  Reader reader;
  LineSettings pc;
  TimePoint now{};
};

}  // namespace kitesim::testing
