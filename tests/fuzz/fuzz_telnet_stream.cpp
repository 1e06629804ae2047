// The telnet/RFC 2217 stream decoder over any byte stream, whole and split in two at every
// point, and the COM-PORT command builder checked against it.
#include <algorithm>

#include "fuzz_check.h"
#include "telnet_stream.h"

namespace {

using namespace pelorus::telnet;

// Every point of an input is a split, so the work grows with its square: longer inputs add no
// state the decoder does not reach with these.
constexpr size_t kLongestInput = 256;

// Negotiations and subnegotiations in the order seen, as one byte string.
struct Commands : Listener {
  std::vector<uint8_t> seen;
  void on_negotiation(uint8_t verb, uint8_t option) override { seen.insert(seen.end(), {'N', verb, option}); }
  void on_subnegotiation(std::span<const uint8_t> body) override {
    FUZZ_REQUIRE(body.size() <= StreamDecoder::kMaxSubnegotiation);
    seen.insert(seen.end(), {'S', static_cast<uint8_t>(body.size())});
    seen.insert(seen.end(), body.begin(), body.end());
  }
};

struct Decoded {
  std::vector<uint8_t> data;
  std::vector<uint8_t> commands;
  bool operator==(const Decoded&) const = default;
};

// One fresh decoder fed raw[0, split) and then raw[split, end).
Decoded decode_in_two(std::span<const uint8_t> raw, size_t split) {
  StreamDecoder decoder;
  Commands commands;
  Decoded decoded;
  for (const auto part : {raw.first(split), raw.subspan(split)}) {
    const std::vector<uint8_t> in = fuzz::exact_copy(part);
    std::vector<uint8_t> out(in.size());
    const size_t n = decoder.decode(in, out, commands);
    FUZZ_REQUIRE(n <= in.size());
    decoded.data.insert(decoded.data.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
  }
  decoded.commands = std::move(commands.seen);
  return decoded;
}

void check_stream(std::span<const uint8_t> raw) {
  const Decoded whole = decode_in_two(raw, raw.size());
  // A data byte 0xFF comes as IAC IAC.
  FUZZ_REQUIRE(2 * std::ranges::count(whole.data, kIac) <= std::ranges::count(raw, kIac));
  // A subnegotiation whose IAC SE never comes is given up, and what follows it is data again.
  constexpr size_t kGivenUp = 2 + StreamDecoder::kMaxSubnegotiation + 1;
  if (raw.size() >= kGivenUp && raw[0] == kIac && raw[1] == kSb &&
      std::find(raw.begin() + 2, raw.begin() + kGivenUp, kIac) == raw.begin() + kGivenUp) {
    FUZZ_REQUIRE(!whole.data.empty());
  }
  for (size_t split = 0; split < raw.size(); ++split) FUZZ_REQUIRE(decode_in_two(raw, split) == whole);
}

// The last input byte is the command, the one before it picks the value's length (0 to 7, so
// that values too long are tried too), the bytes before those are the value.
void check_com_port_command(std::span<const uint8_t> input) {
  if (input.size() < 2) return;
  const uint8_t command = input.back();
  const size_t length = std::min<size_t>(input[input.size() - 2] % 8, input.size() - 2);
  const std::vector<uint8_t> value = fuzz::exact_copy(input.subspan(input.size() - 2 - length, length));
  const Subnegotiation sub = com_port_command(command, value);
  FUZZ_REQUIRE(sub.size <= sub.bytes.size());
  if (value.size() > kMaxComPortValue) {
    FUZZ_REQUIRE(sub.size == 0);
    return;
  }
  // On the wire and back: the option, the command and the value, and no data.
  const std::vector<uint8_t> wire = fuzz::exact_copy(sub.view());
  std::vector<uint8_t> out(wire.size());
  StreamDecoder decoder;
  Commands commands;
  FUZZ_REQUIRE(decoder.decode(wire, out, commands) == 0);
  std::vector<uint8_t> expected = {'S', static_cast<uint8_t>(2 + value.size()), kComPortOption, command};
  expected.insert(expected.end(), value.begin(), value.end());
  FUZZ_REQUIRE(commands.seen == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kLongestInput) return -1;  // not kept in the corpus
  const std::vector<uint8_t> input = fuzz::exact_copy(std::span(data, size));
  check_stream(input);
  check_com_port_command(input);
  return 0;
}
