// Memories with protection bits (LM8KP, LM8KS, LM2KP, LM2KS): protect write, writes that leave
// protected bytes alone, and the security code of the S models.
#include <gtest/gtest.h>

#include "memory_card_support.h"

namespace kitesim {
namespace {

using namespace testing;

TEST(ProtectedMemoryCard, ProtectedBytesKeepTheirValue) {
  for (const char* model : {"lm8kp", "lm2kp"}) {
    SCOPED_TRACE(model);
    auto card = powered_card(model);
    ASSERT_EQ(status(*card, 0x94, {0x00, 0x04, 0xA0, 0xA1}), sw::ok);
    // Rewriting a protected byte with its own value is no failure; changing it is.
    EXPECT_EQ(status(*card, 0x91, {0x00, 0x03, 0x13, 0xA0}), sw::ok);
    EXPECT_EQ(status(*card, 0x91, {0x00, 0x03, 0x23, 0x24, 0x25, 0x26}), sw::write_refused);
    EXPECT_EQ(data_of(*card, 0x90, {0x00, 0x03, 0x04}), (Bytes{0x23, 0xA0, 0xA1, 0x26}));
    EXPECT_EQ(status(*card, 0x94, {0x00, 0x05, 0x00}), sw::write_refused);
    EXPECT_EQ(status(*card, 0x92, {0xFF, 0xFF}), sw::card_type_not_supported);
  }
}

TEST(ProtectedMemoryCard, OnlyTheProtectableBytesCanBeProtected) {
  auto lm2kp = powered_card("lm2kp");
  EXPECT_EQ(status(*lm2kp, 0x94, {0x00, 0x1F, 0x01, 0x02}), sw::address_out_of_range);
  EXPECT_EQ(status(*lm2kp, 0x94, {0x00, 0x1F, 0x01}), sw::ok);
  EXPECT_EQ(status(*lm2kp, 0x91, {0x00, 0xFF, 0x01}), sw::ok);
  EXPECT_EQ(status(*lm2kp, 0x91, {0x00, 0xFF, 0x01, 0x02}), sw::address_out_of_range);
  auto lm8kp = powered_card("lm8kp");
  EXPECT_EQ(status(*lm8kp, 0x94, {0x03, 0xFF, 0x01}), sw::ok);
  EXPECT_EQ(status(*lm8kp, 0x90, {0x04, 0x00, 0x01}), sw::address_out_of_range);
}

TEST(ProtectedMemoryCard, SecurityCodeOpensWritesWithThreeChances) {
  struct Case {
    const char* model;
    Bytes code;
  };
  for (const Case& c : {Case{"lm8ks", {0xFF, 0xFF}}, Case{"lm2ks", {0xFF, 0xFF, 0xFF}}}) {
    SCOPED_TRACE(c.model);
    auto card = powered_card(c.model);
    Bytes wrong(c.code.size(), 0x00);
    EXPECT_EQ(status(*card, 0x91, {0x00, 0x40, 0x01}), sw::password_required);
    EXPECT_EQ(status(*card, 0x94, {0x00, 0x01, 0x01}), sw::password_required);
    EXPECT_EQ(data_of(*card, 0x92, wrong), Bytes{0x03});
    EXPECT_EQ(data_of(*card, 0x92, c.code), Bytes{0x07});
    EXPECT_EQ(status(*card, 0x91, {0x00, 0x40, 0x01}), sw::ok);
    for (std::uint8_t left : {0x03, 0x01, 0x00}) EXPECT_EQ(data_of(*card, 0x92, wrong), Bytes{left});
    EXPECT_EQ(status(*card, 0x92, c.code), sw::code_locked);
    EXPECT_EQ(status(*card, 0x91, {0x00, 0x40, 0x02}), sw::password_required);
    EXPECT_EQ(data_of(*card, 0x90, {0x00, 0x40, 0x01}), Bytes{0x01});
    EXPECT_EQ(status(*card, 0x92, {0xFF}), sw::wrong_length);
  }
}

}  // namespace
}  // namespace kitesim
