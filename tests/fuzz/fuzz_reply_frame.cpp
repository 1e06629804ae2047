// The reader-frame parsers over any receive buffer: the reply parser, the card-event
// extraction, the count of empty resend requests and the event-frame check.
#include <algorithm>
#include <array>

#include "frame_codec.h"
#include "fuzz_check.h"

namespace {

using namespace pelorus::codec;

constexpr size_t kShortestEventFrame = 12;
// Header, FF, 01 and the checksum as characters, and ETX: the shortest frame the parser skips.
constexpr size_t kShortestSkippedFrame = 9;

bool decodes_to_event(std::span<const uint8_t> decoded) {
  return decoded.size() >= 2 && decoded[0] == 0xFF && (decoded[1] == 0x01 || decoded[1] == 0x02);
}

size_t count_etx(std::span<const uint8_t> bytes) { return static_cast<size_t>(std::ranges::count(bytes, kEtx)); }

void check_reply_parse(std::span<const uint8_t> received, bool expect_stx) {
  std::vector<uint8_t> reply(kReplyCapacity);
  const ParseResult parsed = parse_receive_buffer(received, expect_stx, reply);
  FUZZ_REQUIRE(parsed.ok == (parsed.refusal == Refusal::None));
  FUZZ_REQUIRE(parsed.length <= reply.size());
  FUZZ_REQUIRE(parsed.card_events_skipped * kShortestSkippedFrame <= received.size());
  FUZZ_REQUIRE(!parsed.only_card_events || (!parsed.ok && parsed.card_events_skipped > 0));
  if (expect_stx && std::ranges::find(received, kStx) == received.end()) {
    FUZZ_REQUIRE(parsed.refusal == Refusal::NoStx && parsed.card_events_skipped == 0);
  }
  if (!parsed.ok) return;
  const auto decoded = std::span(reply).first(parsed.length);
  FUZZ_REQUIRE(!decodes_to_event(decoded));  // events are skipped, never handed out as the reply
  if (parsed.kind != ReplyKind::Reply) return;

  // A reply is its bytes and their checksum: framed again, it parses back to the same bytes.
  FUZZ_REQUIRE(!decoded.empty());
  std::array<uint8_t, kFrameCapacity> frame;
  const size_t length = build_command_frame(decoded.first(decoded.size() - 1), expect_stx, frame);
  FUZZ_REQUIRE(length > 0);
  std::vector<uint8_t> again(kReplyCapacity);
  const ParseResult reparsed = parse_receive_buffer(std::span(frame).first(length), expect_stx, again);
  FUZZ_REQUIRE(reparsed.ok && reparsed.kind == ReplyKind::Reply && reparsed.length == parsed.length);
  FUZZ_REQUIRE(std::ranges::equal(decoded, std::span(again).first(reparsed.length)));
}

// True when some STX opens a card-event frame, up to the ETX that follows it.
bool holds_event_frame(std::span<const uint8_t> bytes) {
  for (auto stx = std::ranges::find(bytes, kStx); stx != bytes.end(); stx = std::find(stx + 1, bytes.end(), kStx)) {
    const auto etx = std::find(stx, bytes.end(), kEtx);
    if (etx != bytes.end() && card_event_code(std::span(stx, etx + 1)) != 0) return true;
  }
  return false;
}

bool is_subsequence(std::span<const uint8_t> part, std::span<const uint8_t> whole) {
  size_t matched = 0;
  for (uint8_t b : whole) {
    if (matched < part.size() && part[matched] == b) ++matched;
  }
  return matched == part.size();
}

void check_event_extraction(std::span<const uint8_t> received) {
  std::vector<uint8_t> buffer = fuzz::exact_copy(received);
  std::array<int, 4> codes{};  // fewer than a long buffer holds: the frames beyond still go
  const EventScan scan = extract_card_events(buffer, codes);
  FUZZ_REQUIRE(scan.remaining <= received.size());
  FUZZ_REQUIRE(scan.remaining + scan.events * kShortestEventFrame <= received.size());
  for (size_t i = 0; i < std::min(scan.events, codes.size()); ++i) FUZZ_REQUIRE(codes[i] == 11 || codes[i] == 12);

  const auto rest = std::span(buffer).first(scan.remaining);
  FUZZ_REQUIRE(is_subsequence(rest, received));
  // Each frame taken out ends at its own ETX: a reply's ETX, and so the reply, stays.
  FUZZ_REQUIRE(count_etx(received) - count_etx(rest) == scan.events);
  FUZZ_REQUIRE(!holds_event_frame(rest));
  std::array<int, 1> none{};
  FUZZ_REQUIRE(extract_card_events(rest, none).events == 0);
}

void check_resend_count(std::span<const uint8_t> received, bool expect_stx) {
  const size_t count = count_empty_resend_requests(received, expect_stx);
  FUZZ_REQUIRE(count <= count_etx(received));
  // A buffer of one frame: counted exactly when the parser takes it for an empty resend request.
  if (count_etx(received) == 1 && received.back() == kEtx) {
    std::vector<uint8_t> reply(kReplyCapacity);
    FUZZ_REQUIRE(count == (is_empty_resend_request(parse_receive_buffer(received, expect_stx, reply)) ? 1u : 0u));
  }
}

void check_event_code(std::span<const uint8_t> frame) {
  const int code = card_event_code(frame);
  FUZZ_REQUIRE(code == 0 || code == 11 || code == 12);
  if (code == 0) return;
  FUZZ_REQUIRE(frame.size() >= kShortestEventFrame && frame.front() == kStx && frame.back() == kEtx);
  // The parser skips such a frame, and the extraction takes all of it.
  std::vector<uint8_t> reply(kReplyCapacity);
  const ParseResult parsed = parse_receive_buffer(frame, true, reply);
  FUZZ_REQUIRE(parsed.only_card_events && parsed.card_events_skipped == 1);
  std::vector<uint8_t> buffer = fuzz::exact_copy(frame);
  std::array<int, 1> codes{};
  const EventScan scan = extract_card_events(buffer, codes);
  FUZZ_REQUIRE(scan.events == 1 && scan.remaining == 0 && codes[0] == code);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const fuzz::FrameInput input = fuzz::frame_input(data, size);
  check_reply_parse(input.received, input.expect_stx);
  check_event_extraction(input.received);
  check_resend_count(input.received, input.expect_stx);
  check_event_code(input.received);
  return 0;
}
