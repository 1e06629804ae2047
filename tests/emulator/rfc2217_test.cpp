// The RFC 2217 server, seen by a small raw-socket telnet client.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <algorithm>

#include "frame_codec.h"
#include "kitesim/emulator.h"
#include "socket_client.h"
#include "transports/telnet_codec.h"

namespace kitesim {
namespace {

using namespace std::chrono_literals;
namespace tn = telnet;

constexpr std::uint8_t com_port = tn::option_com_port;

class TelnetClient {
 public:
  explicit TelnetClient(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  bool connected() const { return connected_; }
  void close() { fd_.reset(); }

  void send(const Bytes& raw) { ASSERT_TRUE(testing::send_all(fd_.get(), raw)); }
  void send_data(const Bytes& data) { send(tn::escape(data)); }
  void send_com_port(std::uint8_t command, const Bytes& value) {
    Bytes payload{command};
    payload.insert(payload.end(), value.begin(), value.end());
    send(tn::subnegotiation(com_port, payload));
  }

  // Reads until condition() holds; false when the server goes quiet for timeout_ms first.
  template <typename Condition>
  bool wait(Condition condition, int timeout_ms = 5000) {
    while (!condition()) {
      auto bytes = testing::receive(fd_.get(), timeout_ms);
      if (!bytes || bytes->empty()) return false;
      decoder_.feed(*bytes, *this);
    }
    return true;
  }
  bool wait_for_reply(std::uint8_t server_code) {
    return wait([&] { return find_reply(server_code) != nullptr; });
  }
  const Bytes* find_reply(std::uint8_t server_code) const {
    for (const auto& sub : subs)
      if (sub.option == com_port && !sub.payload.empty() && sub.payload[0] == server_code) return &sub.payload;
    return nullptr;
  }
  bool negotiated(std::uint8_t verb, std::uint8_t option) const {
    return std::any_of(negotiations.begin(), negotiations.end(),
                       [&](const tn::Negotiation& n) { return n.verb == verb && n.option == option; });
  }

  void on_data(std::span<const std::uint8_t> bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    events.push_back('d');
  }
  void on_negotiation(tn::Negotiation n) { negotiations.push_back(n); }
  void on_subnegotiation(const tn::Subnegotiation& sub) {
    subs.push_back(sub);
    events.push_back('s');
  }

  Bytes data;
  std::vector<tn::Negotiation> negotiations;
  std::vector<tn::Subnegotiation> subs;
  std::string events;  // order of data ('d') and sub-negotiations ('s')

 private:
  UniqueFd fd_;
  bool connected_ = false;
  tn::Decoder decoder_;
};

class Rfc2217Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(client.wait([&] { return client.negotiated(tn::do_, com_port); }));
    client.send(tn::negotiation(tn::will, com_port));
    ASSERT_TRUE(client.wait_for_reply(107));  // the modem state comes once the option is agreed
    client.subs.clear();
    client.events.clear();
  }

  Emulator emulator{{.boot_time = std::chrono::milliseconds(5)}};
  std::uint16_t port = emulator.start_rfc2217(0);
  TelnetClient client{port};
};

TEST(TelnetCodec, DecoderUndoublesIacAndSplitsCommandsFromData) {
  struct Sink {
    void on_data(std::span<const std::uint8_t> d) { data.insert(data.end(), d.begin(), d.end()); }
    void on_negotiation(tn::Negotiation n) { verbs.push_back(n.verb); }
    void on_subnegotiation(const tn::Subnegotiation& s) { subs.push_back(s.payload); }
    Bytes data, verbs;
    std::vector<Bytes> subs;
  } sink;
  tn::Decoder decoder;
  Bytes stream{'a', tn::iac, tn::iac, 'b', tn::iac, tn::will, 44, tn::iac, tn::sb, 44, 1, tn::iac, tn::iac, 2,
               tn::iac, tn::se, tn::iac, 241 /* NOP */, 'c'};
  // Fed byte by byte: every state must survive a split.
  for (std::uint8_t b : stream) decoder.feed(std::span(&b, 1), sink);
  EXPECT_EQ(sink.data, (Bytes{'a', 0xFF, 'b', 'c'}));
  EXPECT_EQ(sink.verbs, (Bytes{tn::will}));
  ASSERT_EQ(sink.subs.size(), 1u);
  EXPECT_EQ(sink.subs[0], (Bytes{1, 0xFF, 2}));
  EXPECT_EQ(tn::escape(Bytes{0xFF, 1}), (Bytes{0xFF, 0xFF, 1}));
}

TEST(TelnetCodec, OverlongSubnegotiationIsDropped) {
  struct Sink {
    void on_data(std::span<const std::uint8_t>) {}
    void on_negotiation(tn::Negotiation) {}
    void on_subnegotiation(const tn::Subnegotiation&) { ++count; }
    int count = 0;
  } sink;
  tn::Decoder decoder;
  Bytes stream{tn::iac, tn::sb, 44};
  stream.insert(stream.end(), 10000, 0x01);
  stream.insert(stream.end(), {tn::iac, tn::se});
  decoder.feed(stream, sink);
  EXPECT_EQ(sink.count, 0);
}

TEST_F(Rfc2217Test, ServerOffersBinaryAndRefusesWhatItDoesNotDo) {
  EXPECT_TRUE(client.negotiated(tn::will, tn::option_binary));
  EXPECT_TRUE(client.negotiated(tn::do_, tn::option_binary));
  client.send(tn::negotiation(tn::do_, tn::option_echo));
  EXPECT_TRUE(client.wait([&] { return client.negotiated(tn::wont, tn::option_echo); }));
}

TEST_F(Rfc2217Test, EverySubnegotiationIsAnsweredWithItsServerCode) {
  struct Case {
    std::uint8_t command;
    Bytes value;
    Bytes answer;
  };
  const Case cases[] = {
      {1, {0x00, 0x00, 0x4B, 0x00}, {101, 0x00, 0x00, 0x4B, 0x00}},  // 19200
      {1, {0x00, 0x00, 0x00, 0x00}, {101, 0x00, 0x00, 0x4B, 0x00}},  // query
      {2, {8}, {102, 8}},
      {3, {1}, {103, 1}},
      {4, {1}, {104, 1}},
      {5, {1}, {105, 1}},   // no flow control
      {5, {7}, {105, 8}},   // DTR asked: on
      {5, {10}, {105, 11}}, // RTS asked: on
      {11, {0xFF}, {111, 0xFF}},
      {12, {3}, {112, 3}},  // purge both
      {7, {}, {107, 0x20}}, // modem state asked: DSR on, CTS off
  };
  for (const Case& c : cases) {
    client.subs.clear();
    client.send_com_port(c.command, c.value);
    ASSERT_TRUE(client.wait_for_reply(c.answer[0])) << int(c.command);
    EXPECT_EQ(*client.find_reply(c.answer[0]), c.answer) << int(c.command);
  }
  client.send_com_port(0, {});
  ASSERT_TRUE(client.wait_for_reply(100));
  EXPECT_EQ(*client.find_reply(100), (Bytes{100, 'k', 'i', 't', 'e', 's', 'i', 'm'}));
}

TEST_F(Rfc2217Test, ProbeIsAnsweredThroughTheTelnetStream) {
  client.send_data({stx, etx});
  ASSERT_TRUE(client.wait([&] { return client.data.size() >= 6; }));
  EXPECT_EQ(client.data, nack_frame(true));
}

TEST_F(Rfc2217Test, DoubledIacReachesTheReaderAsOneDataByte) {
  // STX FF ETX is a bad frame (one bad character), not the empty probe.
  client.send_data({stx, 0xFF, etx});
  ASSERT_TRUE(client.wait([&] { return client.data.size() >= 6; }));
  auto state = emulator.state();
  EXPECT_EQ(state.bad_frames_received, 1u);
  EXPECT_EQ(state.probes_received, 0u);
}

TEST_F(Rfc2217Test, DtrPulseResetsTheReaderWithCtsAroundTheStartupFrame) {
  client.send_com_port(5, {9});
  client.send_com_port(5, {8});
  Bytes startup = encode_frame(header_data, Bytes{0xFF, 0x00, 0x01, 0x12}, true);
  ASSERT_TRUE(client.wait([&] { return client.data.size() >= startup.size() && client.subs.size() >= 4; }));
  EXPECT_EQ(client.data, startup);
  std::vector<std::uint8_t> modem_states;
  for (const auto& sub : client.subs)
    if (sub.payload[0] == 107) modem_states.push_back(sub.payload.at(1));
  // CTS on (with its change bit) while booting, off once ready.
  EXPECT_EQ(modem_states, (std::vector<std::uint8_t>{0x31, 0x21}));
  EXPECT_NE(client.events.find("sd"), std::string::npos);
  EXPECT_EQ(client.events.back(), 's');
  EXPECT_EQ(emulator.state().resets, 1u);
}

TEST_F(Rfc2217Test, ModemStateMaskSilencesCtsChanges) {
  client.send_com_port(11, {0x00});
  ASSERT_TRUE(client.wait_for_reply(111));
  client.subs.clear();
  emulator.reset();
  Bytes startup = encode_frame(header_data, Bytes{0xFF, 0x00, 0x01, 0x12}, true);
  ASSERT_TRUE(client.wait([&] { return client.data.size() >= startup.size(); }));
  EXPECT_EQ(client.find_reply(107), nullptr);
}

TEST_F(Rfc2217Test, PcAtAnotherRateIsNotUnderstood) {
  client.send_com_port(1, {0x00, 0x00, 0x4B, 0x00});
  ASSERT_TRUE(client.wait_for_reply(101));
  client.send_data({stx, etx});
  ASSERT_TRUE(emulator.wait_for([](const ReaderState& s) { return s.bytes_ignored == 2; }, 5s));
  // Back at 9600 the probe is answered, and that answer is all that ever came.
  client.send_com_port(1, {0x00, 0x00, 0x25, 0x80});
  client.send_data({stx, etx});
  ASSERT_TRUE(client.wait([&] { return client.data.size() >= 6; }));
  EXPECT_EQ(client.data, nack_frame(true));
}

TEST_F(Rfc2217Test, WrongDataFormatIsNotUnderstood) {
  client.send_com_port(3, {3});  // even parity
  ASSERT_TRUE(client.wait_for_reply(103));
  client.send_data({stx, etx});
  EXPECT_TRUE(emulator.wait_for([](const ReaderState& s) { return s.bytes_ignored == 2; }, 5s));
}

TEST_F(Rfc2217Test, RateChangeThenTheClientFollows) {
  client.send_data(encode_frame(header_data, Bytes{0x03, 0x02, 0x00, 0x11}, true));
  ASSERT_TRUE(client.wait([&] { return !client.data.empty() && client.data.back() == etx; }));
  EXPECT_EQ(client.data, encode_frame(header_data, Bytes{0x90, 0x00, 0x00}, true));
  client.data.clear();
  client.send_com_port(1, {0x00, 0x00, 0x4B, 0x00});
  client.send_data(encode_frame(header_data, Bytes{0x02, 0x01, 0x02}, true));
  ASSERT_TRUE(client.wait([&] { return !client.data.empty() && client.data.back() == etx; }));
  EXPECT_EQ(client.data, encode_frame(header_data, Bytes{0x90, 0x00, 0x00}, true));
}

TEST_F(Rfc2217Test, SecondClientIsServedWhenTheFirstHasGone) {
  TelnetClient second(port);
  ASSERT_TRUE(second.connected());  // the listen backlog takes it
  EXPECT_FALSE(second.wait([&] { return !second.negotiations.empty(); }, 200));
  client.close();
  EXPECT_TRUE(second.wait([&] { return second.negotiated(tn::do_, com_port); }));
}

}  // namespace
}  // namespace kitesim
