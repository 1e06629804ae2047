// A reader reply, parsed from any receive buffer, taken into a caller's QX_APDU by the
// processor-card and the memory-card paths.
#include <algorithm>
#include <cstring>

#include "apdu_answer.h"
#include "frame_codec.h"
#include "fuzz_check.h"
#include "reply.h"

namespace {

using namespace pelorus;

// A record whose every byte differs from its neighbours', so that any stray write shows.
QX_APDU marked_record() {
  QX_APDU apdu;
  auto* bytes = reinterpret_cast<uint8_t*>(&apdu);
  for (size_t i = 0; i < sizeof apdu; ++i) bytes[i] = static_cast<uint8_t>(0xA5 ^ i);
  return apdu;
}

bool same(const QX_APDU& a, const QX_APDU& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// True when the answer wrote nothing but Status, Le and DataOut[0, le).
bool rest_unchanged(QX_APDU after, const QX_APDU& before, size_t le) {
  after.Status = before.Status;
  after.Le = before.Le;
  std::copy_n(before.DataOut, le, after.DataOut);
  return same(after, before);
}

void check_processor_answer(const Reply& reply) {
  const QX_APDU before = marked_record();
  QX_APDU apdu = before;
  const int32_t result = take_processor_answer(reply, apdu);
  FUZZ_REQUIRE(result == 0 || result == QX_ERR_NO_DATA || result == QX_ERR_BAD_FRAME);
  if (result != 0) {
    FUZZ_REQUIRE(same(apdu, before));
    return;
  }
  // The announced length: the length byte, or the two bytes after a length byte 0xFF.
  auto carried = reply.payload();
  size_t announced = reply.length_byte();
  if (announced == 0xFF) {
    FUZZ_REQUIRE(carried.size() >= 2);
    announced = static_cast<size_t>(carried[0] << 8 | carried[1]);
    carried = carried.subspan(2);
  }
  FUZZ_REQUIRE(apdu.Le >= 0 && apdu.Le <= QX_DATA_SIZE);
  const auto le = static_cast<size_t>(apdu.Le);
  FUZZ_REQUIRE(le + 2 == announced && announced == carried.size());
  FUZZ_REQUIRE(apdu.Status == (carried[le] << 8 | carried[le + 1]));
  FUZZ_REQUIRE(std::equal(apdu.DataOut, apdu.DataOut + le, carried.begin()));
  FUZZ_REQUIRE(rest_unchanged(apdu, before, le));
}

void check_memory_answer(const Reply& reply) {
  const QX_APDU before = marked_record();
  QX_APDU apdu = before;
  const int32_t result = take_memory_answer(reply, apdu);
  FUZZ_REQUIRE(result == 0 || result == QX_ERR_BAD_FRAME);
  if (result != 0) {
    FUZZ_REQUIRE(same(apdu, before));
    return;
  }
  FUZZ_REQUIRE(apdu.Le >= 0 && apdu.Le <= QX_DATA_SIZE);
  const auto le = static_cast<size_t>(apdu.Le);
  FUZZ_REQUIRE(le == reply.length_byte() && le == reply.payload().size());
  FUZZ_REQUIRE(apdu.Status == reply.status_word());
  FUZZ_REQUIRE(std::ranges::equal(std::span(apdu.DataOut).first(le), reply.payload()));
  FUZZ_REQUIRE(rest_unchanged(apdu, before, le));
}

// The bytes as the body of a frame with its checksum: the reply a reader would send.
std::vector<uint8_t> framed(std::span<const uint8_t> body, bool with_stx) {
  std::vector<uint8_t> frame(codec::command_frame_length(body.size(), with_stx));
  FUZZ_REQUIRE(codec::build_command_frame(body, with_stx, frame) == frame.size());
  return frame;
}

}  // namespace

// Bit 1 of the first byte: the rest is the reply's bytes, framed here so that the fuzzer need
// not find checksums; otherwise the rest is the receive buffer as it stands.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  fuzz::FrameInput input = fuzz::frame_input(data, size);
  if ((input.selector & 2) != 0) input.received = framed(input.received, input.expect_stx);
  Reply reply;
  reply.length = codec::parse_receive_buffer(input.received, input.expect_stx, reply.bytes).length;
  check_processor_answer(reply);
  check_memory_answer(reply);
  return 0;
}
