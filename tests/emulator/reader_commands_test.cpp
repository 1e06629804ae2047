// The reader's commands, without frames: status words, information block, options, module.
#include "reader_commands.h"

#include <gtest/gtest.h>

namespace kitesim {
namespace {

CommandResult run(ReaderCommands& reader, Bytes command) { return reader.execute(command); }

StatusWord status_of(ReaderCommands& reader, Bytes command) { return run(reader, std::move(command)).status; }

TEST(Information, BlockHoldsFirmwareLimitsMaskTypeAndCardStatus) {
  ReaderCommands reader(ReaderConfig{.firmware = "KITEBT0310"});
  auto info = run(reader, {0x01, 0x00});
  ASSERT_EQ(info.status, sw::ok);
  ASSERT_EQ(info.data.size(), 16u);
  EXPECT_EQ(std::string(info.data.begin(), info.data.begin() + 10), "KITEBT0310");
  EXPECT_EQ(info.data[10], 0xFF);
  EXPECT_EQ(info.data[11], 0xFF);
  EXPECT_EQ(info.data[12], 0xBF);
  EXPECT_EQ(info.data[13], 0xF7);
  EXPECT_EQ(info.data[14], 0x00);
  EXPECT_EQ(info.data[15], 0x00);

  reader.insert(make_card("mcu-t1"));
  run(reader, {0x02, 0x01, 0x0D});
  EXPECT_EQ(run(reader, {0x01, 0x00}).data[15], 0x01);
  run(reader, {0x80, 0x00});
  info = run(reader, {0x01, 0x00});
  EXPECT_EQ(info.data[14], 0x0D);
  EXPECT_EQ(info.data[15], 0x03);
}

TEST(Information, ShortFirmwareTextIsPaddedToTenCharacters) {
  ReaderCommands reader(ReaderConfig{.firmware = "KB1"});
  auto info = run(reader, {0x01, 0x00});
  EXPECT_EQ(std::string(info.data.begin(), info.data.begin() + 10), "KB1       ");
}

TEST(CardTypes, OnlyTypesInTheMaskAreSelected) {
  ReaderCommands reader({});
  EXPECT_EQ(status_of(reader, {0x02, 0x01, 0x02}), sw::ok);
  EXPECT_EQ(status_of(reader, {0x02, 0x01, 0x00}), sw::ok);  // auto-detect
  EXPECT_EQ(status_of(reader, {0x02, 0x01, 0x04}), sw::card_type_not_supported);
  EXPECT_EQ(status_of(reader, {0x02, 0x01, 0x10}), sw::ok);
  EXPECT_EQ(status_of(reader, {0x02, 0x01, 0x11}), sw::card_type_not_supported);
}

TEST(PowerUp, AnswersWithTheCardsResetAndProtocol) {
  ReaderCommands reader({});
  EXPECT_EQ(status_of(reader, {0x80, 0x00}), sw::no_card);

  reader.insert(make_card("mcu-t0"));
  run(reader, {0x02, 0x01, 0x0C});
  auto t0 = run(reader, {0x80, 0x00});
  EXPECT_EQ(t0.status, sw::ok);
  EXPECT_EQ(t0.data, (Bytes{0x3B, 0x02, 0x4B, 0x54}));

  reader.insert(make_card("mcu-t1"));
  run(reader, {0x02, 0x01, 0x00});
  EXPECT_EQ(status_of(reader, {0x80, 0x00}), sw::ok_t1);
}

TEST(PowerUp, CardOfAnotherTypeDoesNotAnswer) {
  ReaderCommands reader({});
  reader.insert(make_card("iic"));
  run(reader, {0x02, 0x01, 0x0C});
  EXPECT_EQ(status_of(reader, {0x80, 0x00}), sw::card_mute);
  EXPECT_FALSE(reader.card_powered());
  run(reader, {0x02, 0x01, 0x02});
  EXPECT_EQ(status_of(reader, {0x80, 0x00}), sw::ok);
}

// Auto-detection powers a memory card too, and says by its status that the card has no answer to
// reset; a microcontroller card keeps its 90 00.
TEST(PowerUp, AutoDetectionPowersAMemoryCardWithAStatusOfItsOwn) {
  ReaderCommands reader({});
  reader.insert(make_card("lm2ks"));
  run(reader, {0x02, 0x01, 0x00});
  const auto reply = run(reader, {0x80, 0x00});
  EXPECT_EQ(reply.status, sw::ok_memory_card);
  EXPECT_TRUE(reply.data.empty());
  EXPECT_TRUE(reader.card_powered());
  reader.insert(make_card("mcu-t0"));
  run(reader, {0x02, 0x01, 0x00});
  EXPECT_EQ(status_of(reader, {0x80, 0x00}), sw::ok);
}

TEST(CardCommands, NeedACardThatIsPoweredUp) {
  ReaderCommands reader({});
  Bytes select_mf{0xA0, 0x08, 0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00, 0x00};
  EXPECT_EQ(status_of(reader, select_mf), sw::no_card);
  EXPECT_EQ(status_of(reader, {0x90, 0x03, 0x00, 0x00, 0x01}), sw::no_card);
  reader.insert(make_card("mcu-t0"));
  EXPECT_EQ(status_of(reader, select_mf), sw::card_not_powered);
  run(reader, {0x80, 0x00});
  EXPECT_EQ(run(reader, select_mf).data, (Bytes{0x90, 0x00}));
  // A microcontroller card takes no memory commands.
  EXPECT_EQ(status_of(reader, {0x90, 0x03, 0x00, 0x00, 0x01}), sw::card_type_not_supported);
  run(reader, {0x81, 0x00});
  EXPECT_EQ(status_of(reader, select_mf), sw::card_not_powered);
}

TEST(CommandShape, WrongLengthAndUnknownCodes) {
  ReaderCommands reader({});
  EXPECT_EQ(status_of(reader, {0x01, 0x01}), sw::wrong_length);           // length says 1, no data
  EXPECT_EQ(status_of(reader, {0x01, 0x01, 0x00}), sw::wrong_length);     // information takes no data
  EXPECT_EQ(status_of(reader, {0x02, 0x00}), sw::wrong_length);
  EXPECT_EQ(status_of(reader, {0x01}), sw::wrong_length);
  EXPECT_EQ(status_of(reader, {0x42, 0x00}), sw::unknown_command);
  EXPECT_EQ(status_of(reader, {}), sw::wrong_length);
}

TEST(CommandShape, ApduLengthByteIsTheDataCountModulo256) {
  ReaderCommands reader({});
  reader.insert(make_card("mcu-t0"));
  run(reader, {0x80, 0x00});
  // ECHO with Lc 255: 261 data bytes, length byte 261 mod 256 = 5.
  Bytes command{0xA0, 0x05, 0x80, 0xEE, 0x00, 0x00, 0xFF};
  for (int i = 0; i < 255; ++i) command.push_back(static_cast<std::uint8_t>(i));
  command.push_back(0x04);
  auto result = run(reader, command);
  EXPECT_EQ(result.data, (Bytes{0x00, 0x01, 0x02, 0x03, 0x90, 0x00}));
  // Lc that disagrees with the data.
  EXPECT_EQ(status_of(reader, {0xA0, 0x07, 0x80, 0xEE, 0x00, 0x00, 0x05, 0x01, 0x04}), sw::wrong_length);
}

TEST(ReplyBytes, LongFormFrom255DataBytesOfApduReplies) {
  CommandResult apdu{sw::ok, Bytes(254, 0xAA), true, std::nullopt};
  EXPECT_EQ(apdu.reply_bytes()[2], 254);
  apdu.data.push_back(0xAA);
  Bytes reply = apdu.reply_bytes();
  EXPECT_EQ((Bytes(reply.begin(), reply.begin() + 5)), (Bytes{0x90, 0x00, 0xFF, 0x00, 0xFF}));
  EXPECT_EQ(reply.size(), 5u + 255u);
}

TEST(Options, OptionCommandsAnswerAsTheDriverExpects) {
  ReaderCommands reader({});
  EXPECT_EQ(status_of(reader, {0x03, 0x01, 0x05}), sw::ok);
  EXPECT_EQ(status_of(reader, {0x06, 0x01, 0x01}), sw::ok);
  EXPECT_EQ(status_of(reader, {0x06, 0x01, 0x07}), sw::parameter_refused);
  EXPECT_EQ(status_of(reader, {0x07, 0x01, 0x01}), sw::ok);
  auto query = run(reader, {0x07, 0x01, 0x00});
  ASSERT_EQ(query.data.size(), 1u);
  EXPECT_TRUE(query.data[0] & 0x01);
  EXPECT_EQ(status_of(reader, {0x8A, 0x00}), sw::ok);
  EXPECT_EQ(run(reader, {0x08, 0x01, 0x02}).data, (Bytes{0xBF, 0xF7}));
  EXPECT_EQ(status_of(reader, {0x08, 0x01, 0x05}), sw::parameter_refused);
}

TEST(Options, ReaderWithoutOptionBytesDoesNotKnowCommand08) {
  ReaderCommands reader(ReaderConfig{.option_bytes = std::nullopt});
  EXPECT_EQ(status_of(reader, {0x08, 0x01, 0x02}), sw::unknown_command);
}

TEST(SecurityModule, AnswersApdusOnlyAfterItsReset) {
  ReaderCommands reader({});
  Bytes challenge{0xB0, 0x06, 0x00, 0x84, 0x00, 0x00, 0x00, 0x08};
  EXPECT_EQ(status_of(reader, challenge), sw::card_not_powered);
  auto reset = run(reader, {0x88, 0x01, 0x00});
  EXPECT_EQ(reset.status, sw::ok);
  EXPECT_EQ(reset.data, (Bytes{0x3B, 0x02, 0x53, 0x4D}));
  auto first = run(reader, challenge);
  ASSERT_EQ(first.data.size(), 10u);
  EXPECT_EQ(first.data[8], 0x90);
  EXPECT_NE(run(reader, challenge).data, first.data);
  run(reader, {0x89, 0x00});
  EXPECT_EQ(status_of(reader, challenge), sw::card_not_powered);
}

}  // namespace
}  // namespace kitesim
