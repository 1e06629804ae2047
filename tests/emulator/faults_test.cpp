// Injected faults: what reaches the PC, and what the reader does meanwhile.
#include <gtest/gtest.h>

#include "reader_harness.h"

namespace kitesim {
namespace {

using namespace std::chrono_literals;
using testing::ReaderHarness;
using testing::wire;

const Bytes info_reply_start{0x90, 0x00, 0x10};

bool checks(const Bytes& frame) {
  auto bodies = FrameAssembler().feed(frame);
  return bodies.size() == 1 && decode_frame_body(bodies[0].chars).frame.has_value();
}

TEST(CorruptFault, SpoilsTheNextAnswersIncludingResendsThenStops) {
  ReaderHarness r;
  r.reader.set_faults({.corrupt_next = 2});
  r.send_command({0x01, 0x00});
  Bytes first = r.bytes();
  EXPECT_FALSE(checks(first));
  r.send(nack_frame(true));
  EXPECT_FALSE(checks(r.bytes()));
  r.send(nack_frame(true));
  Bytes third = r.bytes();
  EXPECT_TRUE(checks(third));
  // Only the checksum differs.
  ASSERT_EQ(first.size(), third.size());
  EXPECT_TRUE(std::equal(first.begin(), first.end() - 3, third.begin()));
  EXPECT_EQ(r.reader.state().faults.corrupt_next, 0u);
  EXPECT_EQ(r.reader.state().commands_received, 1u);
}

TEST(DropFault, SendsNothingAndTheNackBringsTheReply) {
  ReaderHarness r;
  r.reader.set_faults({.drop_next = 1});
  r.send_command({0x01, 0x00});
  EXPECT_TRUE(r.bytes().empty());
  EXPECT_EQ(r.reader.state().replies_sent, 0u);
  r.send(nack_frame(true));
  auto reply = r.reply().bytes;
  EXPECT_TRUE(std::equal(info_reply_start.begin(), info_reply_start.end(), reply.begin()));
}

TEST(NackFault, AsksForTheCommandAgainWithoutRunningIt) {
  ReaderHarness r;
  r.reader.insert(make_card("mcu-t0"), r.now);
  r.bytes();
  r.reader.set_faults({.nack_next = 1});
  r.send_command({0x80, 0x00});
  EXPECT_EQ(r.bytes(), wire("<0505>"));
  EXPECT_FALSE(r.reader.state().card_powered);
  r.send_command({0x80, 0x00});
  EXPECT_EQ(r.reply().bytes[0], 0x90);
  EXPECT_TRUE(r.reader.state().card_powered);
  EXPECT_EQ(r.reader.state().commands_received, 2u);
}

TEST(DelayFault, HoldsTheAnswerBackUntilItsTime) {
  ReaderHarness r;
  r.reader.set_faults({.delay = 300ms});
  r.send_command({0x01, 0x00});
  EXPECT_TRUE(r.bytes().empty());
  EXPECT_EQ(r.reader.next_due(), r.now + 300ms);
  r.wait(299ms);
  EXPECT_TRUE(r.bytes().empty());
  r.wait(1ms);
  EXPECT_EQ(r.reply().bytes[0], 0x90);
}

TEST(DelayFault, DelayedRateChangeReplyStillGoesAtTheOldRate) {
  ReaderHarness r;
  r.reader.set_faults({.delay = 100ms});
  r.send_command({0x03, 0x02, 0x00, 0x01});  // 57600
  EXPECT_EQ(r.reader.state().rate, 9600u);
  r.wait(100ms);
  auto out = r.output();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].rate, 9600u);
  EXPECT_EQ(r.reader.state().rate, 57600u);
}

TEST(InterleaveFault, EventFrameAndReplyGoOutInOneWrite) {
  ReaderHarness r;
  r.reader.set_faults({.interleave_next = 1, .interleave_event = CardEvent::removed});
  r.send_command({0x01, 0x00});
  auto out = r.output();
  ASSERT_EQ(out.size(), 1u);
  auto bodies = FrameAssembler().feed(out[0].bytes);
  ASSERT_EQ(bodies.size(), 2u);
  EXPECT_EQ(decode_frame_body(bodies[0].chars).frame->bytes, (Bytes{0xFF, 0x02, 0x00}));
  EXPECT_EQ(decode_frame_body(bodies[1].chars).frame->bytes[0], 0x90);
  EXPECT_EQ(r.reader.state().events_sent, 1u);
  r.send_command({0x01, 0x00});
  EXPECT_EQ(r.reply().bytes[0], 0x90);
}

TEST(ProbeAndFaults, ProbeAnswerIsSparedUnlessAsked) {
  ReaderHarness r;
  r.reader.set_faults({.drop_next = 1});
  r.send(wire("<>"));
  EXPECT_EQ(r.bytes(), wire("<0505>"));
  EXPECT_EQ(r.reader.state().faults.drop_next, 1u);

  r.reader.set_faults({.drop_next = 1, .include_probe = true});
  r.send(wire("<>"));
  EXPECT_TRUE(r.bytes().empty());
}

TEST(ProbeAndFaults, NackAnswerToABadFrameCanBeCorrupted) {
  ReaderHarness r;
  r.reader.set_faults({.corrupt_next = 1});
  r.send(wire("<01010001>"));
  EXPECT_EQ(r.bytes(), wire("<0504>"));
}

// Answers go out in the order the frames came: a held-back answer holds back the later ones.

// The frames in the bytes, decoded, in order.
std::vector<DecodedFrame> frames(const Bytes& bytes) {
  std::vector<DecodedFrame> out;
  for (const auto& body : FrameAssembler().feed(bytes)) out.push_back(decode_frame_body(body.chars).frame.value());
  return out;
}

TEST(AnswerOrder, DelayedReplyComesBeforeTheSparedProbeAnswer) {
  ReaderHarness r;
  r.reader.set_faults({.delay = 100ms});
  Bytes both = testing::command_frame({0x01, 0x00});
  both.insert(both.end(), {stx, etx});
  r.send(both);
  EXPECT_TRUE(r.bytes().empty());  // the probe answer waits for the reply before it
  r.wait(99ms);
  EXPECT_TRUE(r.bytes().empty());
  r.wait(1ms);
  auto out = frames(r.bytes());
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].header, header_data);
  EXPECT_EQ(out[0].bytes[0], 0x90);
  EXPECT_EQ(out[1].header, header_nack);
  EXPECT_TRUE(out[1].bytes.empty());
}

TEST(AnswerOrder, ClearingTheFaultsKeepsTheOrder) {
  ReaderHarness r;
  r.reader.set_faults({.delay = 100ms});
  r.send_command({0x01, 0x00});
  r.wait(10ms);
  r.reader.set_faults({});
  r.send_command({0x07, 0x01, 0x01});
  r.send(wire("<>"));
  EXPECT_TRUE(r.bytes().empty());
  r.wait(90ms);
  auto out = frames(r.bytes());
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].bytes.size(), 3u + 16u);  // the information block
  EXPECT_EQ(out[1].bytes, (Bytes{0x90, 0x00, 0x00}));
  EXPECT_EQ(out[2].header, header_nack);
  // Once they are out, answers are at once again.
  r.send(wire("<>"));
  EXPECT_EQ(r.bytes(), wire("<0505>"));
}

TEST(AnswerOrder, RateChangeWaitsForTheAnswerBeforeItAndItsOwnReply) {
  ReaderHarness r;
  r.reader.set_faults({.delay = 100ms});
  r.send_command({0x01, 0x00});
  r.reader.set_faults({});
  r.send_command({0x03, 0x02, 0x00, 0x01});  // 57600, answered at 9600 after the first
  EXPECT_EQ(r.reader.state().rate, 9600u);
  r.wait(100ms);
  auto out = r.output();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].rate, 9600u);
  EXPECT_EQ(out[1].rate, 9600u);
  EXPECT_EQ(frames(out[1].bytes).at(0).bytes, (Bytes{0x90, 0x00, 0x00}));
  EXPECT_EQ(r.reader.state().rate, 57600u);
}

TEST(AnswerOrder, CardEventsKeepTheirOwnTime) {
  ReaderHarness r;
  r.reader.set_faults({.delay = 100ms});
  r.send_command({0x01, 0x00});
  r.reader.insert(make_card("mcu-t0"), r.now);
  EXPECT_EQ(r.reply().bytes, (Bytes{0xFF, 0x01, 0x00}));  // at once, before the reply
  r.wait(100ms);
  EXPECT_EQ(r.reply().bytes[0], 0x90);
}

TEST(AnswerOrder, ADroppedAnswerHoldsNothingBack) {
  ReaderHarness r;
  r.reader.set_faults({.drop_next = 1, .delay = 100ms});
  r.send_command({0x01, 0x00});
  r.send(wire("<>"));
  EXPECT_EQ(r.bytes(), wire("<0505>"));  // the probe is spared, and nothing goes before it
}

TEST(AnswerOrder, ResetForgetsHeldBackAnswers) {
  ReaderHarness r({.boot_time = 5ms});
  r.reader.set_faults({.delay = 100ms});
  r.send_command({0x01, 0x00});
  r.reader.power_cycle(r.now);
  r.wait(5ms);
  r.bytes();  // the start-up frame
  r.reader.set_faults({});
  r.send(wire("<>"));
  EXPECT_EQ(r.bytes(), wire("<0505>"));
  r.wait(100ms);
  EXPECT_TRUE(r.bytes().empty());
}

}  // namespace
}  // namespace kitesim
