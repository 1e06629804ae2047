// The keyboard port's reply decoder over any message.
#include <algorithm>
#include <array>

#include "frame_codec.h"
#include "fuzz_check.h"

namespace {

using namespace pelorus::codec;

constexpr uint8_t kStart = 0x35;
// The scan code of each hexadecimal digit's key, 0 to F.
constexpr std::array<uint8_t, 16> kDigitKeys = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                                0x09, 0x0A, 0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21};

void put_keys(std::vector<uint8_t>& message, uint8_t byte) {
  message.push_back(kDigitKeys[byte >> 4]);
  message.push_back(kDigitKeys[byte & 0x0F]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> message = fuzz::exact_copy(std::span(data, size));
  std::vector<uint8_t> reply(kReplyCapacity);
  const KeyboardDecode decoded = decode_keyboard_reply(message, reply);
  FUZZ_REQUIRE(decoded.length <= reply.size());

  const auto start = std::ranges::find(message, kStart);
  if (start == message.end()) {
    FUZZ_REQUIRE(decoded.status == KeyboardReply::NoStart && decoded.length == 0);
    return 0;
  }
  // Behind the start byte: the header's pair of keys, then a pair for each byte; a lone key at
  // the end makes no byte.
  const auto pairs = static_cast<size_t>(message.end() - start - 1) / 2;
  const size_t bytes = pairs == 0 ? 0 : pairs - 1;
  if (bytes > reply.size()) {
    FUZZ_REQUIRE(decoded.status == KeyboardReply::TooLong && decoded.length == reply.size());
    return 0;
  }
  FUZZ_REQUIRE(decoded.status != KeyboardReply::TooLong && decoded.length == bytes);
  if (decoded.status != KeyboardReply::Ok || decoded.length == 0) return 0;

  // Typed again with the digits' own keys, the reply decodes to the same bytes.
  const auto first = std::span(reply).first(decoded.length);
  uint8_t header = 0;  // the header and the bytes XOR to 0
  for (uint8_t b : first) header ^= b;
  std::vector<uint8_t> typed = {kStart};
  put_keys(typed, header);
  for (uint8_t b : first) put_keys(typed, b);
  std::vector<uint8_t> again(kReplyCapacity);
  const KeyboardDecode redecoded = decode_keyboard_reply(typed, again);
  FUZZ_REQUIRE(redecoded.status == KeyboardReply::Ok && redecoded.length == decoded.length);
  FUZZ_REQUIRE(std::ranges::equal(first, std::span(again).first(redecoded.length)));
  return 0;
}
