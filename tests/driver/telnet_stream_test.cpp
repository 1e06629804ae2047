#include "telnet_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "bytes.h"
#include "rfc2217_line.h"

namespace {

using namespace pelorus::telnet;
using testing_support::Bytes;
using testing_support::hex;
using testing_support::to_hex;

struct Recorder : Listener {
  std::vector<std::pair<uint8_t, uint8_t>> negotiations;
  std::vector<Bytes> subnegotiations;
  void on_negotiation(uint8_t verb, uint8_t option) override { negotiations.emplace_back(verb, option); }
  void on_subnegotiation(std::span<const uint8_t> body) override { subnegotiations.emplace_back(body.begin(), body.end()); }
};

Bytes decode(StreamDecoder& decoder, const Bytes& raw, Recorder& recorder) {
  Bytes out(raw.size());
  out.resize(decoder.decode(raw, out, recorder));
  return out;
}

TEST(TelnetStream, DoubledIacIsOneDataByteBothWays) {
  Bytes escaped(8);
  escaped.resize(escape(hex("02 FF 03"), escaped));
  EXPECT_EQ(to_hex(escaped), "02 FF FF 03");

  StreamDecoder decoder;
  Recorder recorder;
  EXPECT_EQ(to_hex(decode(decoder, hex("02 FF FF 03"), recorder)), "02 FF 03");
}

TEST(TelnetStream, CommandsAreTakenOutOfTheData) {
  StreamDecoder decoder;
  Recorder recorder;
  // data, DO COM-PORT-OPTION, data, NOTIFY-MODEMSTATE with CTS, data
  const Bytes raw = hex("30 FF FD 2C 31 FF FA 2C 6B 10 FF F0 32");
  EXPECT_EQ(to_hex(decode(decoder, raw, recorder)), "30 31 32");
  ASSERT_EQ(recorder.negotiations.size(), 1u);
  EXPECT_EQ(recorder.negotiations[0], std::make_pair(kDo, kComPortOption));
  ASSERT_EQ(recorder.subnegotiations.size(), 1u);
  EXPECT_EQ(to_hex(recorder.subnegotiations[0]), "2C 6B 10");
}

TEST(TelnetStream, CommandSplitOverTwoReadsIsStillOneCommand) {
  StreamDecoder decoder;
  Recorder recorder;
  const Bytes raw = hex("41 FF FA 2C 65 00 00 25 80 FF F0 42 FF FF 43");
  Bytes data;
  for (size_t split = 0; split <= raw.size(); ++split) {
    StreamDecoder fresh;
    Recorder r;
    Bytes joined = decode(fresh, Bytes(raw.begin(), raw.begin() + static_cast<long>(split)), r);
    const Bytes tail = decode(fresh, Bytes(raw.begin() + static_cast<long>(split), raw.end()), r);
    joined.insert(joined.end(), tail.begin(), tail.end());
    EXPECT_EQ(to_hex(joined), "41 42 FF 43") << "split at " << split;
    ASSERT_EQ(r.subnegotiations.size(), 1u) << "split at " << split;
    EXPECT_EQ(to_hex(r.subnegotiations[0]), "2C 65 00 00 25 80");
  }
}

// A subnegotiation whose IAC SE never comes must not swallow the port for ever: past the bound
// it is given up and the stream is data again.
TEST(TelnetStream, OverlongSubnegotiationIsGivenUpAndDataFlowsAgain) {
  StreamDecoder decoder;
  Recorder recorder;
  Bytes raw = hex("FF FA 2C");
  raw.insert(raw.end(), StreamDecoder::kMaxSubnegotiation - 1, 0x11);  // with the option byte: full
  raw.insert(raw.end(), {0x02, 0x30, 0x35, 0x30, 0x35, 0x03});
  EXPECT_EQ(to_hex(decode(decoder, raw, recorder)), "02 30 35 30 35 03");
  EXPECT_TRUE(recorder.subnegotiations.empty());

  // Afterwards subnegotiations work as before, and so does a broken one ended by another command.
  EXPECT_EQ(to_hex(decode(decoder, hex("FF FA 2C 6B 10 FF F0 41"), recorder)), "41");
  ASSERT_EQ(recorder.subnegotiations.size(), 1u);
  EXPECT_EQ(to_hex(recorder.subnegotiations[0]), "2C 6B 10");
  EXPECT_EQ(to_hex(decode(decoder, hex("FF FA 2C 6B FF FB 42"), recorder)), "42");
  EXPECT_EQ(recorder.subnegotiations.size(), 1u);
}

TEST(TelnetStream, ComPortCommandsAreFramedAndEscaped) {
  const auto rate = set_baud_rate(115200);
  EXPECT_EQ(to_hex(Bytes(rate.view().begin(), rate.view().end())), "FF FA 2C 01 00 01 C2 00 FF F0");
  const uint8_t value[] = {0xFF};
  const auto mask = com_port_command(kSetModemStateMask, value);
  EXPECT_EQ(to_hex(Bytes(mask.view().begin(), mask.view().end())), "FF FA 2C 0B FF FF FF F0");
  // The longest value, every byte doubled, still fits; a longer one is not sent at all.
  const auto top = set_baud_rate(0xFFFFFFFF);
  EXPECT_EQ(to_hex(Bytes(top.view().begin(), top.view().end())), "FF FA 2C 01 FF FF FF FF FF FF FF FF FF F0");
  const auto odd = com_port_command(0xFF, std::span<const uint8_t>{});
  EXPECT_EQ(to_hex(Bytes(odd.view().begin(), odd.view().end())), "FF FA 2C FF FF FF F0") << "a command byte 0xFF too";
  const uint8_t five[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_TRUE(com_port_command(kSetControl, five).view().empty());
}

TEST(Rfc2217Url, HostAndPort) {
  const auto a = pelorus::parse_rfc2217_url("rfc2217://127.0.0.1:4001");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->host, "127.0.0.1");
  EXPECT_EQ(a->port, "4001");
  const auto b = pelorus::parse_rfc2217_url("rfc2217://[::1]:7000/");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->host, "::1");
  EXPECT_EQ(b->port, "7000");
  EXPECT_FALSE(pelorus::parse_rfc2217_url("rfc2217://host"));
  EXPECT_FALSE(pelorus::parse_rfc2217_url("rfc2217://:4001"));
  EXPECT_FALSE(pelorus::parse_rfc2217_url("rfc2217://host:port"));
  EXPECT_FALSE(pelorus::parse_rfc2217_url("telnet://host:1"));
}

}  // namespace
