#include "frame_codec.h"

#include <algorithm>
#include <array>

namespace pelorus::codec {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The reader's own decoding: digits and capitals A-F give 0-15; nothing else is checked.
int char_value(uint8_t c) { return c < 0x41 ? c - 0x30 : c - 0x37; }

uint8_t checksum_of(std::span<const uint8_t> command) {
  uint8_t x = kHeaderReply;
  for (uint8_t b : command) x ^= b;
  return x;
}

// Decodes one frame starting at the beginning of received. On success `consumed` is the index
// just past the frame's ETX.
ParseResult parse_one(std::span<const uint8_t> received, bool expect_stx, std::span<uint8_t> reply,
                      size_t& consumed) {
  ParseResult result;
  const size_t size = received.size();
  size_t p = 0;
  if (expect_stx) {
    while (p < size && received[p] != kStx) ++p;
    if (p == size) {
      result.refusal = Refusal::NoStx;
      return result;
    }
    ++p;
  }
  if (p + 1 >= size) return result;
  const auto header = static_cast<uint8_t>(char_value(received[p]) * 16 + char_value(received[p + 1]));
  result.kind = header == kHeaderReply ? ReplyKind::Reply : ReplyKind::Resend;
  uint8_t x = header;
  p += 2;

  size_t n = 0;
  while (p + 2 < size) {
    if (received[p] == kEtx) break;
    const int high = char_value(received[p]);
    if (received[p + 1] == kEtx) {
      ++p;
      break;
    }
    const auto byte = static_cast<uint8_t>(high * 16 + char_value(received[p + 1]));
    if (n == reply.size()) {  // longer than any reply: not a frame of ours
      result.refusal = Refusal::TooLong;
      return result;
    }
    reply[n++] = byte;
    x ^= byte;
    p += 2;
  }
  if (p >= size || received[p] != kEtx) return result;
  if (x != 0) {
    result.refusal = Refusal::BadChecksum;
    return result;
  }

  result.ok = true;
  result.refusal = Refusal::None;
  result.length = n;
  consumed = p + 1;
  return result;
}

bool decodes_to_card_event(std::span<const uint8_t> decoded) {
  return decoded.size() >= 2 && decoded[0] == 0xFF && (decoded[1] == 0x01 || decoded[1] == 0x02);
}

int scan_code_value(uint8_t code) {
  switch (code) {
    case 0x0B: return 0;
    case 0x1E: return 0xA;
    case 0x30: return 0xB;
    case 0x2E: return 0xC;
    case 0x20: return 0xD;
    case 0x12: return 0xE;
    case 0x21: return 0xF;
    default: return code >= 0x02 && code <= 0x0A ? code - 1 : 0;  // keys 1 to 9
  }
}

}  // namespace

size_t build_command_frame(std::span<const uint8_t> command, bool with_stx, std::span<uint8_t> out) {
  const size_t length = command_frame_length(command.size(), with_stx);
  if (length > out.size()) return 0;
  size_t p = 0;
  auto put_byte = [&](uint8_t b) {
    out[p++] = static_cast<uint8_t>(kHexDigits[b >> 4]);
    out[p++] = static_cast<uint8_t>(kHexDigits[b & 0x0F]);
  };
  if (with_stx) out[p++] = kStx;
  put_byte(kHeaderReply);
  for (uint8_t b : command) put_byte(b);
  put_byte(checksum_of(command));
  out[p++] = kEtx;
  return p;
}

ParseResult parse_receive_buffer(std::span<const uint8_t> received, bool expect_stx, std::span<uint8_t> reply) {
  size_t skipped = 0;
  for (;;) {
    size_t consumed = 0;
    ParseResult result = parse_one(received, expect_stx, reply, consumed);
    result.card_events_skipped = skipped;
    result.only_card_events = !result.ok && skipped > 0 && received.empty();
    if (!result.ok || !decodes_to_card_event(reply.first(result.length))) return result;
    received = received.subspan(consumed);
    ++skipped;
  }
}

const char* refusal_text(Refusal refusal) {
  switch (refusal) {
    case Refusal::None: return "none";
    case Refusal::NoStx: return "no STX";
    case Refusal::NoEtx: return "no ETX";
    case Refusal::BadChecksum: return "bad checksum";
    case Refusal::TooLong: return "too long";
  }
  return "?";
}

bool is_empty_resend_request(const ParseResult& parsed) {
  return parsed.ok && parsed.kind == ReplyKind::Resend && parsed.length == 1;
}

size_t count_empty_resend_requests(std::span<const uint8_t> received, bool expect_stx) {
  std::array<uint8_t, kReplyCapacity> decoded;
  size_t count = 0;
  while (!received.empty()) {
    const auto etx = std::find(received.begin(), received.end(), kEtx);
    if (etx == received.end()) break;
    const auto frame = received.first(static_cast<size_t>(etx - received.begin()) + 1);
    size_t consumed = 0;
    if (is_empty_resend_request(parse_one(frame, expect_stx, decoded, consumed))) ++count;
    received = received.subspan(frame.size());
  }
  return count;
}

int card_event_code(std::span<const uint8_t> frame) {
  static constexpr uint8_t kEventStart[] = {kStx, 0x30, 0x31, 0x46, 0x46, 0x30};
  if (frame.size() < 12 || frame.back() != kEtx || !std::equal(std::begin(kEventStart), std::end(kEventStart), frame.begin())) {
    return 0;
  }
  const int code = frame[6] == 0x31 ? 11 : frame[6] == 0x32 ? 12 : 0;
  if (code == 0) return 0;
  std::array<uint8_t, kReplyCapacity> decoded;
  size_t consumed = 0;
  const ParseResult parsed = parse_one(frame, true, decoded, consumed);
  return parsed.ok && parsed.kind == ReplyKind::Reply && consumed == frame.size() ? code : 0;
}

namespace {

// One pass over the buffer; the codes of this pass go to codes[first ...].
EventScan extract_once(std::span<uint8_t> buffer, std::span<int> codes, size_t first) {
  EventScan scan;
  size_t kept = 0;
  size_t p = 0;
  while (p < buffer.size()) {
    if (buffer[p] == kStx) {
      const auto etx = std::find(buffer.begin() + static_cast<std::ptrdiff_t>(p), buffer.end(), kEtx);
      if (etx != buffer.end()) {
        const auto frame = buffer.subspan(p, static_cast<size_t>(etx - buffer.begin()) - p + 1);
        if (const int code = card_event_code(frame)) {
          if (first + scan.events < codes.size()) codes[first + scan.events] = code;
          ++scan.events;
          p += frame.size();
          continue;
        }
      }
    }
    buffer[kept++] = buffer[p++];
  }
  scan.remaining = kept;
  return scan;
}

}  // namespace

EventScan extract_card_events(std::span<uint8_t> buffer, std::span<int> codes) {
  // Taking a frame out can join what stood around it into another one (noise, or a frame cut by
  // another): pass again until a pass takes nothing. Each pass takes at least 12 bytes.
  EventScan total;
  total.remaining = buffer.size();
  for (;;) {
    const EventScan pass = extract_once(buffer.first(total.remaining), codes, total.events);
    total.remaining = pass.remaining;
    total.events += pass.events;
    if (pass.events == 0) return total;
  }
}

size_t build_keyboard_request(std::span<const uint8_t> command, std::span<uint8_t> out) {
  const size_t length = 2 * command.size() + 6;
  if (length > kFrameCapacity || length > out.size()) return 0;
  size_t p = 0;
  auto put_byte = [&](uint8_t b) {
    out[p++] = static_cast<uint8_t>(b >> 4);
    out[p++] = static_cast<uint8_t>(b & 0x0F);
  };
  out[p++] = 0x35;
  put_byte(kHeaderReply);
  for (uint8_t b : command) put_byte(b);
  put_byte(checksum_of(command));
  out[p++] = 0x34;
  return p;
}

KeyboardDecode decode_keyboard_reply(std::span<const uint8_t> message, std::span<uint8_t> reply) {
  KeyboardDecode result;
  size_t p = 0;
  while (p < message.size() && message[p] != 0x35) ++p;
  if (p == message.size()) return result;
  ++p;
  auto next_byte = [&] {
    const auto b = static_cast<uint8_t>(scan_code_value(message[p]) * 16 + scan_code_value(message[p + 1]));
    p += 2;
    return b;
  };
  uint8_t x = 0;
  if (p + 2 <= message.size()) x = next_byte();  // the header
  while (p + 2 <= message.size()) {
    if (result.length == reply.size()) {
      result.status = KeyboardReply::TooLong;
      return result;
    }
    const uint8_t b = next_byte();
    reply[result.length++] = b;
    x ^= b;
  }
  result.status = x == 0 ? KeyboardReply::Ok : KeyboardReply::BadChecksum;
  return result;
}

}  // namespace pelorus::codec
