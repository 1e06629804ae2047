// An open serial port: its line, its listener and the frame buffer, with the steps the protocol
// is built from (send a frame, wait for a reply, NACK, DTR pulse, CTS wait, rate change).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "frame_codec.h"
#include "listener.h"

namespace pelorus {

class Line;
struct PortState;
struct Reply;

class SerialLink {
 public:
  SerialLink(PortState& port, std::unique_ptr<Line> line);
  ~SerialLink();
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  bool start_listener() { return listener_.start(); }

  // Resets the receive side, writes the frame and traces it. False when the write failed.
  bool send_frame(std::span<const uint8_t> frame);
  // Sends a reader command in a frame of the port's framing.
  bool send_command(std::span<const uint8_t> command);
  // Asks the reader to send its last reply again.
  bool send_nack();

  // Waits for a frame and parses it into reply: 0, -1081 (nothing came) or -1080 (no valid
  // frame). `kind` tells a reply from a request to send the command again.
  int receive(Reply& reply, codec::ReplyKind& kind);

  void reset_receive_side() { listener_.reset_receive_side(); }
  bool set_rate(int bits_per_second);
  // Resets the reader: DTR off 1 ms, on 18 ms, then 2 s for the reader to start.
  void pulse_dtr();
  // Reads CTS up to 180 times, 10 ms apart, until it is off; then goes on regardless.
  void wait_for_cts_drop();

 private:
  PortState& port_;
  std::unique_ptr<Line> line_;
  Listener listener_;
  std::array<uint8_t, codec::kFrameCapacity> frame_{};
};

}  // namespace pelorus
