#include "frame_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "bytes.h"

namespace {

using namespace pelorus::codec;
using testing_support::Bytes;
using testing_support::frame;
using testing_support::hex;
using testing_support::to_hex;
using testing_support::operator+;

Bytes build(const Bytes& command, bool with_stx) {
  std::array<uint8_t, kFrameCapacity> out{};
  const size_t n = build_command_frame(command, with_stx, out);
  return Bytes(out.begin(), out.begin() + static_cast<long>(n));
}

struct Parsed {
  ParseResult result;
  Bytes reply;
};

Parsed parse(const Bytes& received, bool expect_stx = true) {
  std::array<uint8_t, kReplyCapacity> reply{};
  const ParseResult r = parse_receive_buffer(received, expect_stx, reply);
  return {r, Bytes(reply.begin(), reply.begin() + static_cast<long>(r.length))};
}

TEST(CommandFrame, InformationCommandGoesOutAsTenBytesWithStx) {
  EXPECT_EQ(to_hex(build(hex("01 00"), true)), "02 30 31 30 31 30 30 30 30 03");
}

TEST(CommandFrame, KiteaFramesHaveNoStx) {
  EXPECT_EQ(to_hex(build(hex("01 00"), false)), "30 31 30 31 30 30 30 30 03");
}

TEST(CommandFrame, ChecksumIsHeaderXorEveryByteInCapitals) {
  EXPECT_EQ(to_hex(build(hex("A0 05 00 A4 00 00 00"), true)), to_hex(frame("A0 05 00 A4 00 00 00")));
  EXPECT_EQ(build(hex("FA"), true), hex("02 30 31 46 41 46 42 03"));
}

TEST(CommandFrame, LongestCommandFillsSixHundredBytesAndOneMoreIsRefused) {
  EXPECT_EQ(build(Bytes(297, 0x55), true).size(), 600u);
  EXPECT_TRUE(build(Bytes(298, 0x55), true).empty());
  EXPECT_EQ(build(Bytes(297, 0x55), false).size(), 599u);
}

TEST(ParseReply, DecodesStatusLengthDataAndChecksum) {
  const Parsed p = parse(frame("90 00 02 3B 02"));
  ASSERT_TRUE(p.result.ok);
  EXPECT_EQ(p.result.kind, ReplyKind::Reply);
  EXPECT_EQ(to_hex(p.reply), "90 00 02 3B 02 AA");
}

TEST(ParseReply, NackHeaderAsksForTheCommandAgain) {
  const Parsed p = parse(hex("02 30 35 30 35 03"));
  ASSERT_TRUE(p.result.ok);
  EXPECT_EQ(p.result.kind, ReplyKind::Resend);
}

TEST(ParseReply, RejectsBadFrames) {
  Bytes bad_checksum = frame("90 00 00");
  bad_checksum[bad_checksum.size() - 2] ^= 0x01;
  EXPECT_FALSE(parse(bad_checksum).result.ok);

  Bytes no_etx = frame("90 00 00");
  no_etx.pop_back();
  EXPECT_FALSE(parse(no_etx).result.ok);

  EXPECT_FALSE(parse(frame("90 00 00", false)).result.ok) << "STX expected but missing";
  EXPECT_FALSE(parse({}).result.ok);
  EXPECT_FALSE(parse(hex("02")).result.ok);
  EXPECT_FALSE(parse(hex("02 30")).result.ok);
}

TEST(ParseReply, KiteaRepliesParseWithoutStx) {
  const Parsed p = parse(frame("90 00 00", false), false);
  ASSERT_TRUE(p.result.ok);
  EXPECT_EQ(p.reply.size(), 4u);
}

TEST(ParseReply, LeadingNoiseBeforeStxIsSkipped) {
  EXPECT_TRUE(parse(hex("FF 00 41") + frame("90 00 00")).result.ok);
}

TEST(ParseReply, CardEventFramesAheadOfTheReplyAreSkipped) {
  const Bytes inserted = hex("02 30 31 46 46 30 31 30 30 46 46 03");
  const Parsed p = parse(inserted + frame("FF 02 00") + frame("90 00 01 AA"));
  ASSERT_TRUE(p.result.ok);
  EXPECT_EQ(p.result.card_events_skipped, 2u);
  EXPECT_EQ(p.reply[0], 0x90);
  EXPECT_EQ(p.reply[3], 0xAA);
}

TEST(ParseReply, CardEventFrameAloneIsNoReplyYet) {
  const Parsed alone = parse(hex("02 30 31 46 46 30 31 30 30 46 46 03"));
  EXPECT_FALSE(alone.result.ok);
  EXPECT_TRUE(alone.result.only_card_events);
  Bytes bad = frame("90 00 00");
  bad[bad.size() - 2] ^= 1;
  EXPECT_FALSE(parse(frame("FF 01 00") + bad).result.only_card_events) << "a bad reply after the event is a bad reply";
  EXPECT_FALSE(parse(frame("90 00")).result.only_card_events);
}

TEST(ParseReply, ReplyLongerThanTheReplyBufferIsRefusedWithoutOverrun) {
  std::string payload = "90 00 FF";
  for (int i = 0; i < 280; ++i) payload += " 5A";
  EXPECT_FALSE(parse(frame(payload)).result.ok);
}

// Random bytes never make the parser read or write outside its buffers (ASan watches), and
// whatever it accepts has a checksum that holds.
TEST(ParseReply, RandomBuffersAreHandledSafely) {
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    Bytes received(random() % 620);
    for (auto& b : received) b = static_cast<uint8_t>("0123456789ABCDEF\x02\x03"[random() % 18]);
    std::array<uint8_t, kReplyCapacity> reply{};
    const ParseResult r = parse_receive_buffer(received, round % 2 == 0, reply);
    if (!r.ok) continue;
    ASSERT_LE(r.length, reply.size());
  }
}

TEST(CardEventCode, RecognisesInsertionAndRemovalOnly) {
  EXPECT_EQ(card_event_code(hex("02 30 31 46 46 30 31 30 30 46 46 03")), 11);
  EXPECT_EQ(card_event_code(frame("FF 02 00")), 12);
  EXPECT_EQ(card_event_code(hex("02 30 31 46 46 30 33 30 30 46 46 03")), 0);
  EXPECT_EQ(card_event_code(hex("02 30 31 46 46 30 31 30 30 46 03")), 0) << "shorter than 12 bytes";
  EXPECT_EQ(card_event_code(frame("90 00 00")), 0);
  EXPECT_EQ(card_event_code(testing_support::frame_with_bad_checksum("FF 01 00")), 0) << "noise that looks like one";
}

// Event frames are taken out wherever they lie; everything else stays, in its order.
TEST(ExtractCardEvents, TakesEveryEventOutAndKeepsTheRest) {
  const Bytes inserted = frame("FF 01 00");
  const Bytes removed = frame("FF 02 00");
  const Bytes reply = frame("90 00 00");
  Bytes buffer = inserted + reply + removed + Bytes{0x7F} + inserted + Bytes{0x02, 0x30, 0x31};
  std::array<int, 8> codes{};
  const EventScan scan = extract_card_events(buffer, codes);
  ASSERT_EQ(scan.events, 3u);
  EXPECT_EQ((std::vector<int>(codes.begin(), codes.begin() + 3)), (std::vector<int>{11, 12, 11}));
  buffer.resize(scan.remaining);
  EXPECT_EQ(to_hex(buffer), to_hex(reply + Bytes{0x7F, 0x02, 0x30, 0x31})) << "the reply, the noise, a frame still coming";

  // A stray STX in front of an event frame does not hide it.
  Bytes stray = Bytes{0x02} + removed;
  EXPECT_EQ(extract_card_events(stray, codes).events, 1u);
  // Taking one out can join the bytes around it into another: that one is taken out too.
  Bytes spliced = hex("02 30 31 46 46 30 31 30 30") + removed + hex("46 46 03");
  const EventScan joined = extract_card_events(spliced, codes);
  EXPECT_EQ(joined.events, 2u);
  EXPECT_EQ(joined.remaining, 0u);
  EXPECT_EQ(codes[0], 12);
  EXPECT_EQ(codes[1], 11);
  // More events than codes: all are still taken out.
  Bytes many = inserted + inserted + inserted;
  std::array<int, 2> two{};
  const EventScan counted = extract_card_events(many, two);
  EXPECT_EQ(counted.events, 3u);
  EXPECT_EQ(counted.remaining, 0u);
}

// The reader's answer to the empty frame, counted among whatever else came.
TEST(EmptyResendRequests, AreCountedAmongRepliesAndNoise) {
  const Bytes nack = {0x02, 0x30, 0x35, 0x30, 0x35, 0x03};
  EXPECT_EQ(count_empty_resend_requests(frame("90 00 02 AA BB") + nack + Bytes{0x41} + nack, true), 2u);
  EXPECT_EQ(count_empty_resend_requests(frame("90 00 00") + frame("FF 01 00"), true), 0u);
  EXPECT_EQ(count_empty_resend_requests(frame("05", true, 0x05), true), 0u) << "a resend request that carries a byte";
  EXPECT_EQ(count_empty_resend_requests(Bytes(nack.begin() + 1, nack.end()), false), 1u) << "KITEA, no STX";
  EXPECT_EQ(count_empty_resend_requests(Bytes(nack.begin(), nack.end() - 1), true), 0u) << "no ETX yet";
}

TEST(KeyboardCoding, RequestCarriesNibbleValues) {
  std::array<uint8_t, kFrameCapacity> out{};
  const size_t n = build_keyboard_request(hex("01 00"), out);
  EXPECT_EQ(to_hex(Bytes(out.begin(), out.begin() + static_cast<long>(n))), "35 00 01 00 01 00 00 00 00 34");
  EXPECT_EQ(build_keyboard_request(Bytes(297, 0), out), 600u);
  EXPECT_EQ(build_keyboard_request(Bytes(298, 0), out), 0u);
}

TEST(KeyboardCoding, ReplyDecodesScanCodes) {
  // 35, header 01, 90 00 00, checksum 91, end byte 34.
  const Bytes message = hex("35 0B 02  0A 0B 0B 0B 0B 0B  0A 02 34");
  std::array<uint8_t, kReplyCapacity> reply{};
  const auto decoded = decode_keyboard_reply(message, reply);
  ASSERT_EQ(decoded.status, KeyboardReply::Ok);
  EXPECT_EQ(to_hex(Bytes(reply.begin(), reply.begin() + static_cast<long>(decoded.length))), "90 00 00 91");
}

TEST(KeyboardCoding, ReplyFailures) {
  std::array<uint8_t, kReplyCapacity> reply{};
  EXPECT_EQ(decode_keyboard_reply(hex("0B 02 0A"), reply).status, KeyboardReply::NoStart);
  EXPECT_EQ(decode_keyboard_reply(hex("35 0B 02 0A 0B 0B 0B 0B 0B 0A 03 34"), reply).status, KeyboardReply::BadChecksum);
  Bytes long_reply = {0x35};
  for (int i = 0; i < 600; ++i) long_reply.push_back(0x0B);
  EXPECT_EQ(decode_keyboard_reply(long_reply, reply).status, KeyboardReply::TooLong);
}

}  // namespace
