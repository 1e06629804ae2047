// The RFC 2217 server, seen by a small raw-socket telnet client.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <algorithm>
#include <thread>

#include "frame_codec.h"
#include "kitesim/emulator.h"
#include "socket_client.h"
#include "transports/rfc2217_server.h"
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
  // The values of the NOTIFY-MODEMSTATE (107) received, in order.
  std::vector<std::uint8_t> modem_states() const {
    std::vector<std::uint8_t> states;
    for (const auto& sub : subs)
      if (sub.option == com_port && sub.payload.size() == 2 && sub.payload[0] == 107) states.push_back(sub.payload[1]);
    return states;
  }
  // Reads for quiet_ms; true when the server said nothing more meanwhile that meets condition.
  template <typename Condition>
  bool stays(Condition condition, int quiet_ms = 200) {
    wait([&] { return !condition(); }, quiet_ms);
    return condition();
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

struct RecordingSink {
  void on_data(std::span<const std::uint8_t> d) { data.insert(data.end(), d.begin(), d.end()); }
  void on_negotiation(tn::Negotiation n) { verbs.push_back(n.verb); }
  void on_subnegotiation(const tn::Subnegotiation& s) {
    options.push_back(s.option);
    subs.push_back(s.payload);
  }
  Bytes data, verbs, options;
  std::vector<Bytes> subs;
};

TEST(TelnetCodec, SubnegotiationSplitAtEveryPositionIsDecodedTheSame) {
  const Bytes stream{'a', tn::iac, tn::sb, 44, 1, 0x00, tn::iac, tn::iac, 0x25, tn::iac, tn::se, 'b',
                     tn::iac, tn::iac, tn::iac, tn::sb, 44, 7, tn::iac, tn::se, 'c'};
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    RecordingSink sink;
    tn::Decoder decoder;
    decoder.feed(std::span(stream).first(cut), sink);
    decoder.feed(std::span(stream).subspan(cut), sink);
    EXPECT_EQ(sink.data, (Bytes{'a', 'b', 0xFF, 'c'})) << "cut at " << cut;
    EXPECT_EQ(sink.options, (Bytes{44, 44})) << "cut at " << cut;
    EXPECT_EQ(sink.subs, (std::vector<Bytes>{{1, 0x00, 0xFF, 0x25}, {7}})) << "cut at " << cut;
  }
}

TEST(TelnetCodec, SubnegotiationUpToTheBoundIsKept) {
  Bytes payload(tn::max_subnegotiation, 0x41);
  payload.back() = 0xFF;  // doubled on the wire, one byte of the bound
  RecordingSink sink;
  tn::Decoder decoder;
  decoder.feed(tn::subnegotiation(44, payload), sink);
  ASSERT_EQ(sink.subs.size(), 1u);
  EXPECT_EQ(sink.subs[0], payload);
  EXPECT_TRUE(sink.data.empty());
}

TEST(TelnetCodec, SubnegotiationPastTheBoundIsDroppedAndTheRestIsDataAgain) {
  for (bool in_pieces : {false, true}) {
    Bytes stream{tn::iac, tn::sb, 44};
    stream.insert(stream.end(), tn::max_subnegotiation, 'x');  // the bound, still kept
    stream.insert(stream.end(), {'y', tn::iac, tn::iac, stx, etx});  // past it: data
    stream.insert(stream.end(), {tn::iac, tn::se, 'z'});  // a late end, with nothing open
    stream.insert(stream.end(), {tn::iac, tn::sb, 44, 7, tn::iac, tn::se});
    RecordingSink sink;
    tn::Decoder decoder;
    if (in_pieces) {
      for (std::uint8_t b : stream) decoder.feed(std::span(&b, 1), sink);
    } else {
      decoder.feed(stream, sink);
    }
    EXPECT_EQ(sink.data, (Bytes{'y', 0xFF, stx, etx, 'z'})) << in_pieces;
    EXPECT_EQ(sink.subs, (std::vector<Bytes>{{7}})) << in_pieces;
  }
}

TEST(TelnetCodec, DoubledIacPastTheBoundIsADataByte) {
  Bytes stream{tn::iac, tn::sb, 44};
  stream.insert(stream.end(), tn::max_subnegotiation, 'x');
  stream.insert(stream.end(), {tn::iac, tn::iac, 'y'});
  RecordingSink sink;
  tn::Decoder decoder;
  decoder.feed(stream, sink);
  EXPECT_EQ(sink.data, (Bytes{0xFF, 'y'}));
  EXPECT_TRUE(sink.subs.empty());
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

// --- Agreeing to the COM-PORT-OPTION: the modem state comes whichever way the client agrees. ---

class Rfc2217Agreement : public ::testing::Test {
 protected:
  Emulator emulator{{.boot_time = std::chrono::milliseconds(5)}};
  std::uint16_t port = emulator.start_rfc2217(0);
  TelnetClient client{port};
};

TEST_F(Rfc2217Agreement, ClientsAnswerToOurDo) {
  ASSERT_TRUE(client.wait([&] { return client.negotiated(tn::do_, com_port); }));
  client.send(tn::negotiation(tn::will, com_port));
  ASSERT_TRUE(client.wait([&] { return !client.modem_states().empty(); }));
  EXPECT_TRUE(client.stays([&] { return client.modem_states() == std::vector<std::uint8_t>{0x20}; }));
}

TEST_F(Rfc2217Agreement, ClientsOwnWillSentBeforeItReadsOurDo) {
  client.send(tn::negotiation(tn::will, com_port));
  ASSERT_TRUE(client.wait([&] { return !client.modem_states().empty(); }));
  EXPECT_TRUE(client.stays([&] { return client.modem_states() == std::vector<std::uint8_t>{0x20}; }));
  // Our DO was the request its WILL answered: the server does not ask again.
  EXPECT_EQ(std::count_if(client.negotiations.begin(), client.negotiations.end(),
                          [](const tn::Negotiation& n) { return n.verb == tn::do_ && n.option == com_port; }),
            1);
}

TEST_F(Rfc2217Agreement, ClientsDoAloneAsPyserialSendsItWhenOurDoCameFirst) {
  // pyserial takes our DO as the answer to the WILL it was about to send and never sends it.
  ASSERT_TRUE(client.wait([&] { return client.negotiated(tn::do_, com_port); }));
  client.send(tn::negotiation(tn::do_, com_port));
  ASSERT_TRUE(client.wait([&] { return !client.modem_states().empty(); }));
  EXPECT_TRUE(client.negotiated(tn::will, com_port));
  EXPECT_EQ(client.modem_states(), std::vector<std::uint8_t>{0x20});
  // And CTS changes reach it.
  client.send_com_port(5, {9});
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() >= 2; }));
  EXPECT_EQ(client.modem_states()[1], 0x31);
}

TEST_F(Rfc2217Agreement, WillAndDoTogetherGiveOneNotification) {
  client.send(tn::negotiation(tn::will, com_port));
  client.send(tn::negotiation(tn::do_, com_port));
  ASSERT_TRUE(client.wait([&] { return client.negotiated(tn::will, com_port); }));
  EXPECT_TRUE(client.stays([&] { return client.modem_states() == std::vector<std::uint8_t>{0x20}; }));
}

TEST_F(Rfc2217Agreement, ClientThatRefusesHearsNoChangesButItsPollIsAnswered) {
  ASSERT_TRUE(client.wait([&] { return client.negotiated(tn::do_, com_port); }));
  client.send(tn::negotiation(tn::wont, com_port));
  client.send_com_port(5, {9});  // CTS goes on
  ASSERT_TRUE(client.wait_for_reply(105));
  ASSERT_TRUE(emulator.wait_for([](const ReaderState& s) { return s.cts; }, 5s));
  EXPECT_TRUE(client.stays([&] { return client.modem_states().empty(); }));
  client.send_com_port(7, {});
  ASSERT_TRUE(client.wait_for_reply(107));
  EXPECT_EQ(client.modem_states(), std::vector<std::uint8_t>{0x30});
}

// --- Polls, delta bits and the mask. ---

TEST_F(Rfc2217Test, PollAnswersTheStateWithoutDeltaWhenNothingChanged) {
  client.send_com_port(5, {9});
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() == 1; }));
  EXPECT_EQ(client.modem_states()[0], 0x31);  // CTS on, changed
  client.send_com_port(7, {});
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() == 2; }));
  EXPECT_EQ(client.modem_states()[1], 0x30);  // asked again: on, no change since
  client.send_com_port(7, {0});  // a poll with a value byte is a poll too
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() == 3; }));
  EXPECT_EQ(client.modem_states()[2], 0x30);
}

TEST_F(Rfc2217Test, ChangeTheMaskKeptQuietShowsAtTheNextPoll) {
  client.send_com_port(11, {0x00});
  ASSERT_TRUE(client.wait_for_reply(111));
  client.send_com_port(5, {9});  // CTS on, unheard
  ASSERT_TRUE(client.wait_for_reply(105));
  ASSERT_TRUE(emulator.wait_for([](const ReaderState& s) { return s.cts; }, 5s));
  EXPECT_TRUE(client.stays([&] { return client.modem_states().empty(); }));
  client.send_com_port(11, {0xFF});
  client.send_com_port(7, {});
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() == 1; }));
  EXPECT_EQ(client.modem_states()[0], 0x31);
  client.send_com_port(5, {8});  // boot: start-up frame, then CTS off
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() == 2; }));
  EXPECT_EQ(client.modem_states()[1], 0x21);
}

TEST_F(Rfc2217Test, MaskOfCtsAloneStillHearsCtsGoOff) {
  client.send_com_port(11, {0x10});
  ASSERT_TRUE(client.wait_for_reply(111));
  client.send_com_port(5, {9});
  client.send_com_port(5, {8});
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() >= 2; }));
  EXPECT_TRUE(client.stays([&] { return client.modem_states() == std::vector<std::uint8_t>{0x10, 0x00}; }));
}

TEST_F(Rfc2217Test, MaskWithoutCtsHearsNoCtsChange) {
  client.send_com_port(11, {0x20});  // DSR only
  ASSERT_TRUE(client.wait_for_reply(111));
  client.send_com_port(5, {9});
  client.send_com_port(5, {8});
  Bytes startup = encode_frame(header_data, Bytes{0xFF, 0x00, 0x01, 0x12}, true);
  ASSERT_TRUE(client.wait([&] { return client.data.size() >= startup.size(); }));
  EXPECT_TRUE(client.stays([&] { return client.modem_states().empty(); }));
}

// The server alone, with a line whose CTS the test sets: a CTS level the server already knows is
// no change, so it carries no delta bit and no notification.
struct FakeLine final : LineEnd {
  void from_pc(std::span<const std::uint8_t>, const LineSettings&) override {}
  void set_dtr(bool) override {}
  bool cts() const override { return true; }
};

TEST(Rfc2217Server, OnlyRealCtsChangesAreNotified) {
  FakeLine line;
  Rfc2217Server server(line, 0);  // takes CTS on from the line
  TelnetClient client(server.port());
  ASSERT_TRUE(client.wait([&] { return client.negotiated(tn::do_, com_port); }));
  client.send(tn::negotiation(tn::will, com_port));
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() == 1; }));
  EXPECT_EQ(client.modem_states()[0], 0x30);
  server.cts_changed(true);  // the level it started with, delivered late
  EXPECT_TRUE(client.stays([&] { return client.modem_states().size() == 1; }));
  server.cts_changed(false);
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() == 2; }));
  EXPECT_EQ(client.modem_states()[1], 0x21);
  server.cts_changed(true);
  ASSERT_TRUE(client.wait([&] { return client.modem_states().size() == 3; }));
  EXPECT_EQ(client.modem_states()[2], 0x31);
}

// --- Answers in order, end to end. ---

TEST_F(Rfc2217Test, DelayedReplyIsNotOvertakenByTheProbeAnswer) {
  emulator.set_faults({.delay = std::chrono::milliseconds(100)});
  Bytes both = encode_frame(header_data, Bytes{0x07, 0x01, 0x01}, true);
  both.insert(both.end(), {stx, etx});
  client.send_data(both);
  Bytes reply = encode_frame(header_data, Bytes{0x90, 0x00, 0x00}, true);
  Bytes expected = reply;
  Bytes nack = nack_frame(true);
  expected.insert(expected.end(), nack.begin(), nack.end());
  ASSERT_TRUE(client.wait([&] { return client.data.size() >= expected.size(); }));
  EXPECT_EQ(client.data, expected);
}

// --- A sub-negotiation that never ends does not swallow the data. ---

TEST_F(Rfc2217Test, UnterminatedSubnegotiationGivesTheDataBack) {
  Bytes raw{tn::iac, tn::sb, com_port};
  raw.insert(raw.end(), tn::max_subnegotiation + 40, 'x');
  raw.insert(raw.end(), {stx, etx});
  client.send(raw);
  ASSERT_TRUE(client.wait([&] { return client.data.size() >= 6; }));
  EXPECT_EQ(client.data, nack_frame(true));
  EXPECT_EQ(emulator.state().probes_received, 1u);
  // A stray IAC SE later is harmless, and sub-negotiations work again.
  client.send({tn::iac, tn::se});
  client.send_com_port(7, {});
  ASSERT_TRUE(client.wait_for_reply(107));
  client.data.clear();
  client.send_data({stx, etx});
  ASSERT_TRUE(client.wait([&] { return client.data.size() >= 6; }));
  EXPECT_EQ(client.data, nack_frame(true));
}

}  // namespace
}  // namespace kitesim
