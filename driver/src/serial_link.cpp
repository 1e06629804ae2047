#include "serial_link.h"

#include <algorithm>
#include <chrono>

#include "library.h"
#include "line.h"
#include "reply.h"
#include "timing.h"
#include "trace.h"

namespace pelorus {

SerialLink::SerialLink(PortState& port, std::unique_ptr<Line> line)
    : port_(port), line_(std::move(line)), listener_(*line_, port.callback) {}

SerialLink::~SerialLink() = default;  // the listener stops before the line closes

bool SerialLink::send_frame(std::span<const uint8_t> frame) {
  listener_.reset_receive_side();
  const bool written = line_->write_all(frame, timing::scaled(timing::kWriteWait));
  trace::frame("\n Send:", frame);
  return written;
}

bool SerialLink::send_command(std::span<const uint8_t> command) {
  const size_t length = codec::build_command_frame(command, port_.with_stx(), frame_);
  return length > 0 && send_frame(std::span(frame_).first(length));
}

bool SerialLink::send_nack() {
  trace::text("\nSend NACK:");
  return send_frame(codec::kNackFrame);
}

int SerialLink::receive(Reply& reply, codec::ReplyKind& kind) {
  const auto deadline = std::chrono::steady_clock::now() + timing::scaled(timing::kReplyWait);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    const auto length = listener_.take_frame(std::max(left, std::chrono::microseconds(0)), frame_);
    if (!length) return QX_ERR_TIMEOUT;
    const auto parsed = codec::parse_receive_buffer(std::span(frame_).first(*length), port_.with_stx(), reply.bytes);
    // A card that comes or goes while a command waits is no fault of the reply: asking for the
    // reply again would bring it twice, and the second copy could be taken for the next one's.
    if (parsed.only_card_events) {
      trace::text("Card event frame while waiting for a reply\n");
      continue;
    }
    if (!parsed.ok) return QX_ERR_BAD_FRAME;
    kind = parsed.kind;
    reply.length = parsed.length;
    // A reply carries at least its two status bytes, its length byte and the checksum.
    if (kind == codec::ReplyKind::Reply && reply.length < Reply::kMinimumLength) return QX_ERR_BAD_FRAME;
    return 0;
  }
}

bool SerialLink::set_rate(int bits_per_second) { return line_->set_rate(bits_per_second); }

void SerialLink::pulse_dtr() {
  line_->set_dtr(false);
  timing::sleep(timing::kDtrLow);
  line_->set_dtr(true);
  timing::sleep(timing::kDtrHigh);
  timing::sleep(timing::kResetSettle);
}

void SerialLink::wait_for_cts_drop() {
  for (int i = 0; i < timing::kCtsPolls && line_->cts(); ++i) timing::sleep(timing::kCtsPollInterval);
}

}  // namespace pelorus
