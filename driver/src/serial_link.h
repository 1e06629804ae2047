// An open serial port: its line, its listener and the frame buffer, with the steps the protocol
// is built from (send a frame, wait for a reply, NACK, DTR pulse, CTS wait, rate change).
//
// An exchange sends the command at most three times and the NACK frame at most three times, and
// waits for at most four missing or bad replies. Results: 0; -1011 for a command whose frame
// would pass 600 bytes (nothing is sent); -1081 when a write fails or the last failure was a
// missing reply; -1080 when it was a bad frame, or the reader asked for the command three times.
//
// The protocol has no sequence numbers, so an answer that comes after its wait has ended (a slow
// card, a stalled line, the reader's copy of a reply sent in answer to a NACK) would be taken for
// the next command's. After any exchange that was not one send and one good reply the link is in
// doubt, and before the next command goes out it resynchronises: it sends the empty frame and
// drops everything until the reader's answer to it, which the reader sends only after every
// answer still owed. When that answer does not come within two reply waits, the exchange gives
// -1081 without sending its command, and the next one tries again.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "frame_codec.h"
#include "link.h"
#include "listener.h"

namespace pelorus {

class Line;
struct PortState;
struct Reply;

class SerialLink final : public Link {
 public:
  SerialLink(PortState& port, std::unique_ptr<Line> line);
  ~SerialLink() override;
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  bool start_listener() { return listener_.start(); }

  int32_t exchange(std::span<const uint8_t> command, Reply& reply) override;
  int32_t reset_and_detect() override;
  bool set_rate(int bits_per_second) override;

  // The reader is there when it answers the empty frame with a request to send again. Waits for
  // CTS to drop first.
  bool probe_presence();

  // True while answers of an earlier command may still be on their way.
  bool in_doubt() const { return in_doubt_; }

 private:
  // Resets the receive side, writes the frame and traces it. False when the write failed.
  bool send_frame(std::span<const uint8_t> frame);
  // Writes the frame without touching what has been received.
  bool write_frame(std::span<const uint8_t> frame);
  bool send_command(std::span<const uint8_t> command);
  bool send_nack();
  // Waits for a frame and parses it into reply: 0, -1081 (nothing came) or -1080 (no valid
  // frame). `kind` tells a reply from a request to send the command again.
  int receive(Reply& reply, codec::ReplyKind& kind);
  // Makes sure no answer of an earlier command can still arrive; false when the reader did not
  // confirm it within two reply waits.
  bool resynchronise();

  // Resets the reader: DTR off 1 ms, on 18 ms, then 2 s for the reader to start.
  void pulse_dtr();
  // Reads CTS up to 180 times, 10 ms apart, until it is off; then goes on regardless.
  void wait_for_cts_drop();

  PortState& port_;
  std::unique_ptr<Line> line_;
  Listener listener_;
  std::array<uint8_t, codec::kFrameCapacity> frame_{};
  bool in_doubt_ = false;
  int probes_unanswered_ = 0;  // empty frames sent to resynchronise, not yet answered
};

}  // namespace pelorus
