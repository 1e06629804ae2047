// The exchange over a serial port: sends, NACKs and waits, and the resynchronisation that keeps a
// late answer from being taken for another command's.
#include <algorithm>
#include <chrono>

#include "library.h"
#include "reply.h"
#include "serial_link.h"
#include "timing.h"
#include "trace.h"

namespace pelorus {
namespace {

constexpr int kMaxSends = 3;
constexpr int kMaxFailures = 3;  // one more missing or bad reply ends the exchange

}  // namespace

int32_t SerialLink::exchange(std::span<const uint8_t> command, Reply& reply) {
  if (codec::command_frame_length(command.size(), true) > codec::kFrameCapacity) return QX_ERR_COMMAND_TOO_LONG;
  const ExchangeScope scope(listener_);
  if (in_doubt_ && !resynchronise()) return QX_ERR_TIMEOUT;

  int failures = 0;
  for (int sends = 0; sends < kMaxSends; ++sends) {
    // Anything but one send and one good reply leaves answers that may still come.
    in_doubt_ = sends > 0 || failures > 0;
    if (!send_command(command)) {
      in_doubt_ = true;
      return QX_ERR_TIMEOUT;
    }
    codec::ReplyKind kind{};
    for (;;) {
      const int32_t received = receive(reply, kind);
      if (received == 0) break;
      in_doubt_ = true;
      if (++failures > kMaxFailures) return received;
      if (!send_nack()) return QX_ERR_TIMEOUT;
    }
    if (kind == codec::ReplyKind::Reply) return 0;
    // The reader asked for the command again.
  }
  in_doubt_ = true;
  return QX_ERR_BAD_FRAME;
}

// The reader answers frames in the order they came, so its answer to the empty frame comes after
// every answer it still owes: everything before it is dropped. An earlier empty frame whose
// answer is still on its way is counted, so that its answer is not taken for the new one's.
bool SerialLink::resynchronise() {
  trace::text("Resynchronising: answers of an earlier command may still come\n");
  ++probes_unanswered_;
  if (!write_frame(codec::kPresenceProbe)) return false;
  // The reader's copies of a reply, sent for the NACKs of a slow exchange, come a reply wait
  // apart: two waits leave room for the last of them and the answer behind it.
  const auto deadline = std::chrono::steady_clock::now() + 2 * timing::scaled(timing::kReplyWait);
  bool answered = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    const auto length = listener_.take_frame(std::max(left, std::chrono::microseconds(0)), frame_);
    if (!length) break;
    const size_t answers = codec::count_empty_resend_requests(std::span(frame_).first(*length), port_.with_stx());
    answered = answered || answers > 0;
    probes_unanswered_ -= std::min<int>(probes_unanswered_, static_cast<int>(answers));
    if (probes_unanswered_ == 0) {
      in_doubt_ = false;
      return true;
    }
  }
  // The reader answered, but not every empty frame: one of its answers was lost on the line.
  // Counting on it would keep the link in doubt for ever; the next attempt starts the count anew.
  if (answered) probes_unanswered_ = 0;
  trace::text("Resynchronisation failed: the reader did not answer in time\n");
  return false;
}

}  // namespace pelorus
