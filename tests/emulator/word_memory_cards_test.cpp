// Word-addressed cards (LM256, LM4KP): word addresses and counts, the protection register and
// its lock, write all and erase.
#include <gtest/gtest.h>

#include "memory_card_support.h"

namespace kitesim {
namespace {

using namespace testing;

TEST(WordMemoryCard, AddressesAndCountsAreInWords) {
  auto card = powered_card("lm4kp");
  ASSERT_EQ(status(*card, 0x91, {0x00, 0x90, 0x12, 0x34, 0x56, 0x78}), sw::ok);  // word 0x90, byte 0x120
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0x8F, 0x03}), (Bytes{0xFF, 0xFF, 0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(status(*card, 0x91, {0x00, 0x90, 0x12}), sw::wrong_length);  // half a word
  EXPECT_EQ(status(*card, 0x90, {0x00, 0xFF, 0x02}), sw::address_out_of_range);
  EXPECT_EQ(status(*card, 0x90, {0x00, 0x00, 0x80}), sw::wrong_length);  // 256 bytes do not fit a reply
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0x00, 0x7F}).size(), 254u);
  EXPECT_EQ(status(*powered_card("lm256"), 0x90, {0x00, 0x0F, 0x02}), sw::address_out_of_range);
}

TEST(WordMemoryCard, ProtectionRegisterProtectsTheWordsFromItsValueOn) {
  auto card = powered_card("lm256");
  EXPECT_EQ(data_of(*card, 0x97, {}), Bytes{0xFF});
  ASSERT_EQ(status(*card, 0x94, {14}), sw::ok);
  EXPECT_EQ(data_of(*card, 0x97, {}), Bytes{14});
  EXPECT_EQ(status(*card, 0x91, {0x00, 13, 0x01, 0x02, 0x03, 0x04}), sw::write_refused);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 13, 2}), (Bytes{0x01, 0x02, 0xFF, 0xFF}));
  EXPECT_EQ(status(*card, 0x95, {0xAB, 0xCD}), sw::write_refused);  // write all stops at word 14
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0, 1}), (Bytes{0xAB, 0xCD}));
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 15, 1}), (Bytes{0xFF, 0xFF}));
  ASSERT_EQ(status(*card, 0x94, {}), sw::ok);
  EXPECT_EQ(status(*card, 0x95, {0xAB, 0xCD}), sw::ok);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 15, 1}), (Bytes{0xAB, 0xCD}));
  EXPECT_EQ(status(*card, 0x95, {}), sw::wrong_length);  // no erase on this model
}

TEST(WordMemoryCard, LockedRegisterCannotChange) {
  auto card = powered_card("lm256");
  ASSERT_EQ(status(*card, 0x94, {8}), sw::ok);
  EXPECT_EQ(status(*card, 0x94, {0xFF, 0x00}), sw::parameter_refused);
  ASSERT_EQ(status(*card, 0x94, {0xFF, 0xFF}), sw::ok);
  EXPECT_EQ(status(*card, 0x94, {}), sw::write_refused);
  EXPECT_EQ(status(*card, 0x94, {15}), sw::write_refused);
  EXPECT_EQ(data_of(*card, 0x97, {}), Bytes{8});
}

TEST(WordMemoryCard, Lm4kpProtectsInStepsOfSixteenWordsAndErases) {
  auto card = powered_card("lm4kp");
  ASSERT_EQ(status(*card, 0x95, {0x00, 0x00}), sw::ok);
  ASSERT_EQ(status(*card, 0x94, {15}), sw::ok);  // words 240 to 255
  EXPECT_EQ(status(*card, 0x95, {0x00, 0xEF, 0x02}), sw::write_refused);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0xEF, 0x02}), (Bytes{0xFF, 0xFF, 0x00, 0x00}));
  EXPECT_EQ(status(*card, 0x95, {}), sw::write_refused);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0x00, 0x01}), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(status(*card, 0x95, {0x00, 0xFF, 0x02}), sw::address_out_of_range);
}

}  // namespace
}  // namespace kitesim
