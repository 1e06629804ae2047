#include "serial_link.h"

#include <algorithm>
#include <chrono>

#include "library.h"
#include "line.h"
#include "reader_rates.h"
#include "reply.h"
#include "timing.h"
#include "trace.h"

namespace pelorus {

SerialLink::SerialLink(PortState& port, std::unique_ptr<Line> line)
    : port_(port), line_(std::move(line)), listener_(*line_, port.callback) {}

SerialLink::~SerialLink() = default;  // the listener stops before the line closes

bool SerialLink::send_frame(std::span<const uint8_t> frame) {
  listener_.reset_receive_side();
  return write_frame(frame);
}

bool SerialLink::write_frame(std::span<const uint8_t> frame) {
  const bool written = line_->write_all(frame, timing::scaled(timing::kWriteWait));
  trace::frame("\n Send:", frame);
  return written;
}

bool SerialLink::send_command(std::span<const uint8_t> command) {
  const size_t length = codec::build_command_frame(command, port_.with_stx(), frame_);
  if (length == 0) return false;
  // A link not in doubt is owed nothing: what the line holds now is card events or noise, and
  // the line is purged only when there is something to drop.
  if (in_doubt_) {
    listener_.reset_receive_side();
  } else {
    listener_.prepare_send();
  }
  return write_frame(std::span(frame_).first(length));
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
    // reply again would bring it twice.
    if (parsed.only_card_events) {
      trace::text("Card event frame while waiting for a reply\n");
      continue;
    }
    if (!parsed.ok) {
      trace::format("Bad frame (%s)\n", codec::refusal_text(parsed.refusal));
      return QX_ERR_BAD_FRAME;
    }
    kind = parsed.kind;
    reply.length = parsed.length;
    // A reply carries at least its two status bytes, its length byte and the checksum.
    if (kind == codec::ReplyKind::Reply && reply.length < Reply::kMinimumLength) {
      trace::text("Bad frame (no status)\n");
      return QX_ERR_BAD_FRAME;
    }
    return 0;
  }
}

bool SerialLink::probe_presence() {
  const ExchangeScope scope(listener_);
  wait_for_cts_drop();
  trace::text("Step 5.2\n");
  if (!send_frame(codec::kPresenceProbe)) return false;
  trace::text("Step 5.3\n");
  Reply answer;
  codec::ReplyKind kind{};
  return receive(answer, kind) == 0 && kind == codec::ReplyKind::Resend;
}

bool SerialLink::set_rate(int bits_per_second) { return line_->set_rate(bits_per_second); }

void SerialLink::pulse_dtr() {
  line_->set_dtr(false);
  timing::sleep(timing::kDtrLow);
  line_->set_dtr(true);
  timing::sleep(timing::kDtrHigh);
  timing::sleep(timing::kResetSettle);
}

// A network serial port reports CTS in notifications that travel with the data: each poll first
// takes in what has arrived, so that a notification sent before the wait or during it is seen.
void SerialLink::wait_for_cts_drop() {
  for (int i = 0; i < timing::kCtsPolls; ++i) {
    listener_.pump();
    if (!line_->cts()) return;
    timing::sleep(timing::kCtsPollInterval);
  }
}

int32_t SerialLink::reset_and_detect() {
  if (port_.reader_type == QX_READER_AUTODETECT && port_.baud_rate != 9600) line_->set_rate(9600);

  const ExchangeScope scope(listener_);
  listener_.reset_receive_side();
  pulse_dtr();
  wait_for_cts_drop();
  // The reader starts afresh: nothing it owed before the reset will come.
  in_doubt_ = false;
  probes_unanswered_ = 0;

  int32_t rate = initial_rate(port_.reader_type);
  if (port_.reader_type == QX_READER_AUTODETECT) {
    Reply startup;
    codec::ReplyKind kind{};
    if (receive(startup, kind) != 0) {
      trace::text("No start-up frame: the reader is taken for a KITEA\n");
      port_.reader_type = QX_READER_KITEA;
      rate = 9600;
    } else {
      static constexpr uint8_t kStartup[] = {0xFF, 0x00, 0x01};
      if (startup.length < 4 || !std::equal(std::begin(kStartup), std::end(kStartup), startup.bytes.begin())) return -1;
      const auto announced = announced_rate(startup.bytes[3]);
      if (!announced) return -1;
      rate = *announced;
    }
  }
  port_.baud_rate = rate;
  line_->set_rate(rate);
  return 0;
}

}  // namespace pelorus
