// The reader on its line: frames, NACKs, resets, rate changes and card events, byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "reader_harness.h"

namespace kitesim {
namespace {

using namespace std::chrono_literals;
using testing::ReaderHarness;
using testing::wire;

ReaderConfig kitea(std::uint32_t rate = 9600) {
  return {.model = Model::KITEA, .rate = rate, .firmware = "KITEAT0100"};
}

TEST(PresenceProbe, KitebAnswersTheEmptyFrameWithNack) {
  ReaderHarness r;
  r.send(wire("<>"));
  EXPECT_EQ(r.bytes(), wire("<0505>"));
  EXPECT_EQ(r.reader.state().probes_received, 1u);
}

TEST(PresenceProbe, KiteaAnswersWithoutStx) {
  ReaderHarness r(kitea());
  r.send(wire("<>"));
  EXPECT_EQ(r.bytes(), wire("0505>"));
}

TEST(BadFrames, AreAnsweredWithNack) {
  for (const char* frame : {"<01010001>", "<0101000>", "<01g10000>", "<0>", "<0909>"}) {
    ReaderHarness r;
    r.send(wire(frame));
    EXPECT_EQ(r.bytes(), wire("<0505>")) << frame;
    EXPECT_EQ(r.reader.state().bad_frames_received, 1u) << frame;
    EXPECT_EQ(r.reader.state().commands_received, 0u) << frame;
  }
}

TEST(BadFrames, OverlongFrameIsAnsweredWithNackAndTheLineRecovers) {
  ReaderHarness r;
  Bytes flood(2000, 'A');
  flood.insert(flood.begin(), stx);
  flood.push_back(etx);
  r.send(flood);
  EXPECT_EQ(r.bytes(), wire("<0505>"));
  r.send_command({0x01, 0x00});
  EXPECT_EQ(r.reply().bytes[0], 0x90);
}

TEST(BadFrames, CommandsWithoutStxAreReadByBothModels) {
  ReaderHarness r;
  r.send(wire("01010000>"));
  EXPECT_EQ(r.reply().bytes[0], 0x90);
}

TEST(PcNack, ResendsTheLastReplyByteForByte) {
  ReaderHarness r;
  r.send_command({0x01, 0x00});
  Bytes reply = r.bytes();
  r.send(nack_frame(true));
  EXPECT_EQ(r.bytes(), reply);
  EXPECT_EQ(r.reader.state().nacks_received, 1u);
  EXPECT_EQ(r.reader.state().commands_received, 1u);
}

TEST(PcNack, KiteaTakesTheNackWithStxAndResendsWithout) {
  ReaderHarness r(kitea());
  r.send_command({0x01, 0x00});
  Bytes reply = r.bytes();
  ASSERT_NE(reply.front(), stx);
  r.send(nack_frame(true));
  EXPECT_EQ(r.bytes(), reply);
}

TEST(PcNack, BeforeAnyAnswerIsAnsweredWithNack) {
  ReaderHarness r;
  r.send(nack_frame(true));
  EXPECT_EQ(r.bytes(), wire("<0505>"));
}

TEST(DtrReset, BootsWithCtsOnThenAnnouncesItsRateAt9600) {
  ReaderHarness r({.rate = 19200, .boot_time = 50ms});
  r.set_dtr(false);
  r.set_dtr(true);
  auto during_boot = r.output();
  ASSERT_EQ(during_boot.size(), 1u);
  EXPECT_EQ(during_boot[0].kind, LineOutput::Kind::cts);
  EXPECT_TRUE(during_boot[0].cts);

  r.send(wire("<>"));  // ignored while booting
  r.wait(50ms);
  auto after_boot = r.output();
  ASSERT_EQ(after_boot.size(), 2u);
  EXPECT_EQ(after_boot[0].bytes, encode_frame(header_data, Bytes{0xFF, 0x00, 0x01, 0x11}, true));
  EXPECT_EQ(after_boot[0].rate, 9600u);
  EXPECT_EQ(after_boot[1].kind, LineOutput::Kind::cts);
  EXPECT_FALSE(after_boot[1].cts);

  auto state = r.reader.state();
  EXPECT_EQ(state.rate, 19200u);
  EXPECT_EQ(state.probes_received, 0u);
  EXPECT_EQ(state.startups_sent, 1u);
  EXPECT_EQ(state.resets, 1u);
}

TEST(DtrReset, KiteaAnnouncesItsOwnRateCodeWithoutStx) {
  ReaderHarness r(kitea(38400));
  r.reader.power_cycle(r.now);
  r.wait(1s);
  EXPECT_EQ(r.bytes(), encode_frame(header_data, Bytes{0xFF, 0x00, 0x01, 0x01}, false));
}

TEST(DtrReset, ForgetsCardPowerSelectedTypeAndRateChange) {
  ReaderHarness r;
  r.reader.insert(make_card("mcu-t0"), r.now);
  r.send_command({0x02, 0x01, 0x0C});
  r.send_command({0x80, 0x00});
  r.send_command({0x03, 0x02, 0x00, 0x11});
  r.bytes();
  ASSERT_EQ(r.reader.state().rate, 19200u);
  r.reader.power_cycle(r.now);
  r.wait(1s);
  auto state = r.reader.state();
  EXPECT_FALSE(state.card_powered);
  EXPECT_EQ(state.selected_card_type, 0);
  EXPECT_EQ(state.rate, 9600u);
  EXPECT_TRUE(state.card_present);
}

TEST(DtrReset, RaisingDtrThatWasNeverDroppedDoesNothing) {
  ReaderHarness r;
  r.set_dtr(true);
  r.wait(1s);
  EXPECT_TRUE(r.output().empty());
  EXPECT_EQ(r.reader.state().resets, 0u);
}

TEST(RateChange, IsAnsweredAtTheOldRateThenTheReaderMoves) {
  ReaderHarness r;
  r.send_command({0x03, 0x02, 0x00, 0x03});  // 14400
  auto out = r.output();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].rate, 9600u);
  EXPECT_EQ(out[0].bytes, encode_frame(header_data, Bytes{0x90, 0x00, 0x00}, true));
  EXPECT_EQ(r.reader.state().rate, 14400u);

  // The PC still at 9600 is not understood; at 14400 it is.
  r.send_command({0x01, 0x00});
  EXPECT_TRUE(r.bytes().empty());
  EXPECT_GT(r.reader.state().bytes_ignored, 0u);
  r.pc.rate = 14400;
  r.send_command({0x01, 0x00});
  EXPECT_EQ(r.reply().bytes[0], 0x90);
}

TEST(RateChange, UnknownCodeIsRefusedAndTheRateStays) {
  ReaderHarness r;
  r.send_command({0x03, 0x02, 0x00, 0x21});  // a KITEA code
  EXPECT_EQ(r.reply().bytes, (Bytes{0x60, 0x04, 0x00}));
  EXPECT_EQ(r.reader.state().rate, 9600u);
}

TEST(RateChange, FirmwareKitebt0220RefusesEveryRate) {
  ReaderHarness r({.firmware = "KITEBT0220"});
  r.send_command({0x03, 0x02, 0x00, 0x11});
  EXPECT_EQ(r.reply().bytes, (Bytes{0x60, 0x04, 0x00}));
  EXPECT_EQ(r.reader.state().rate, 9600u);
}

TEST(RateChange, KiteaKnowsOnlyItsOwnCodes) {
  ReaderHarness r(kitea());
  r.send_command({0x03, 0x02, 0x00, 0x11});
  EXPECT_EQ(r.reply().bytes, (Bytes{0x60, 0x04, 0x00}));
  r.send_command({0x03, 0x02, 0x00, 0x20});
  EXPECT_EQ(r.reply().bytes, (Bytes{0x90, 0x00, 0x00}));
  EXPECT_EQ(r.reader.state().rate, 19200u);
}

TEST(LineSettings, WrongFormatIsNotUnderstood) {
  ReaderHarness r;
  r.pc.format_8n1 = false;
  r.send(wire("<>"));
  EXPECT_TRUE(r.bytes().empty());
  EXPECT_EQ(r.reader.state().bytes_ignored, 2u);
  EXPECT_EQ(r.reader.state().frames_received, 0u);
}

TEST(LineSettings, NoiseNeverHoldsFrameBytes) {
  Bytes all(256);
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint8_t>(i);
  for (std::uint8_t b : garble(all)) {
    EXPECT_NE(b, stx);
    EXPECT_NE(b, etx);
  }
}

TEST(CardEvents, InsertionAndRemovalSendTheirFrames) {
  ReaderHarness r;
  r.reader.insert(make_card("iic"), r.now);
  EXPECT_EQ(r.bytes(), (Bytes{0x02, 0x30, 0x31, 0x46, 0x46, 0x30, 0x31, 0x30, 0x30, 0x46, 0x46, 0x03}));
  r.reader.remove(r.now);
  EXPECT_EQ(r.bytes(), encode_frame(header_data, Bytes{0xFF, 0x02, 0x00}, true));
  EXPECT_EQ(r.reader.state().events_sent, 2u);
}

TEST(CardEvents, ReplacingACardSendsRemovalThenInsertion) {
  ReaderHarness r;
  r.reader.insert(make_card("iic"), r.now);
  r.bytes();
  r.reader.insert(make_card("mcu-t0"), r.now);
  Bytes expected = encode_frame(header_data, Bytes{0xFF, 0x02, 0x00}, true);
  Bytes inserted = encode_frame(header_data, Bytes{0xFF, 0x01, 0x00}, true);
  expected.insert(expected.end(), inserted.begin(), inserted.end());
  EXPECT_EQ(r.bytes(), expected);
  EXPECT_EQ(r.reader.state().card_model, "mcu-t0");
}

TEST(McuReplies, LongReplyUsesTheThreeByteLength) {
  ReaderHarness r;
  r.reader.insert(make_card("mcu-t0"), r.now);
  r.send_command({0x02, 0x01, 0x0C});
  r.send_command({0x80, 0x00});
  r.bytes();
  // ECHO with Le 00: 256 bytes 00 01 .. FF and 90 00.
  r.send_command({0xA0, 0x06, 0x80, 0xEE, 0x00, 0x00, 0x00, 0x00});
  Bytes reply = r.reply().bytes;
  ASSERT_EQ(reply.size(), 3u + 2u + 258u);
  EXPECT_EQ(reply[0], 0x90);
  EXPECT_EQ(reply[1], 0x00);
  EXPECT_EQ(reply[2], 0xFF);
  EXPECT_EQ(reply[3], 0x01);
  EXPECT_EQ(reply[4], 0x02);
  EXPECT_EQ(reply[5], 0x00);
  EXPECT_EQ(reply[5 + 255], 0xFF);
  EXPECT_EQ(reply[5 + 256], 0x90);
  EXPECT_EQ(reply[5 + 257], 0x00);
}

TEST(Commands, RecentCommandsAreKeptForTests) {
  ReaderHarness r;
  r.send_command({0x01, 0x00});
  r.send_command({0x02, 0x01, 0x02});
  auto state = r.reader.state();
  EXPECT_EQ(state.last_command, (Bytes{0x02, 0x01, 0x02}));
  ASSERT_EQ(state.recent_commands.size(), 2u);
  EXPECT_EQ(state.recent_commands.front(), (Bytes{0x01, 0x00}));
}

TEST(Config, RateWithoutCodeForTheModelIsRejected) {
  EXPECT_THROW(Reader(ReaderConfig{.model = Model::KITEA, .rate = 57600}), std::invalid_argument);
  EXPECT_THROW(Reader(ReaderConfig{.rate = 4800}), std::invalid_argument);
}

}  // namespace
}  // namespace kitesim

namespace kitesim {
namespace {

using testing::ReaderHarness;

// Untrusted input: whatever arrives, the reader stays well and every frame it sends checks.
TEST(Robustness, RandomLineBytesOnlyEverGetWellFormedAnswers) {
  std::mt19937 random(11);
  ReaderHarness r;
  r.reader.insert(make_card("mcu-t0"), r.now);
  const std::uint8_t alphabet[] = {stx, etx, '0', '1', '5', '9', 'A', 'F', 'Z', 0x00, 0xFF};
  for (int round = 0; round < 2000; ++round) {
    Bytes chunk(random() % 40);
    for (auto& b : chunk) b = random() % 3 ? alphabet[random() % std::size(alphabet)] : static_cast<std::uint8_t>(random());
    r.send(chunk);
    if (round % 100 == 0) r.send(testing::command_frame({0xA0, 0x06, 0x80, 0xEE, 0x00, 0x00, 0x00,
                                                         static_cast<std::uint8_t>(random())}));
  }
  for (const auto& body : FrameAssembler().feed(r.bytes())) EXPECT_TRUE(decode_frame_body(body.chars).frame);
  EXPECT_GT(r.reader.state().frames_received, 0u);
}

TEST(Robustness, RandomKeyboardMessagesAreAnsweredOrRefused) {
  std::mt19937 random(13);
  Reader reader({});
  for (int round = 0; round < 2000; ++round) {
    Bytes message(random() % 64);
    for (auto& b : message) b = static_cast<std::uint8_t>(random() % 20);
    if (!message.empty() && random() % 2) {
      message.front() = keyboard_start;
      message.back() = keyboard_end;
    }
    KeyboardAnswer answer = reader.keyboard_request(message);
    if (!answer.message.empty()) {
      EXPECT_TRUE(decode_keyboard_reply(answer.message));
    }
  }
}

}  // namespace
}  // namespace kitesim
