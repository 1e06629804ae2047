// Code-protected memories with a fuse (SLE4404, GPM896, AT101, AT102, AT1604): codes presented
// by selector with their attempts counters, access by area, issuer mode, the fuse, erase.
#include <gtest/gtest.h>

#include "memory_card_support.h"

namespace kitesim {
namespace {

using namespace testing;

Bytes present(const Bytes& selector, const Bytes& code) { return join({selector, code}); }

// The secret code's counter is the memory's error counter: a miss clears its highest chance bit.
// A code without a counter area keeps its own.
TEST(FuseCard, CodesAnswerTheirChancesAndLockAfterTheLast) {
  auto card = powered_card("sle4404");
  const Bytes secret_code{0x00, 0x08, 0x04}, erase_code{0x00, 0x28, 0x40};
  EXPECT_EQ(status(*card, 0x91, {0x00, 14, 0x12}), sw::password_required);
  EXPECT_EQ(data_of(*card, 0x92, present(secret_code, {0x12, 0x34})), Bytes{0x07});
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 10, 1}), Bytes{0xF7});
  EXPECT_EQ(data_of(*card, 0x92, present(erase_code, {0, 0, 0, 0})), Bytes{0x07});
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 10, 1}), Bytes{0xF7});
  EXPECT_EQ(data_of(*card, 0x92, present(secret_code, {0xFF, 0xFF})), Bytes{0xFF});
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 10, 1}), Bytes{0xFF});
  EXPECT_EQ(status(*card, 0x91, {0x00, 14, 0x12}), sw::ok);
  for (std::uint8_t left : {0x07, 0x03, 0x01, 0x00})
    EXPECT_EQ(data_of(*card, 0x92, present(secret_code, {0x12, 0x34})), Bytes{left});
  EXPECT_EQ(status(*card, 0x92, present(secret_code, {0xFF, 0xFF})), sw::code_locked);
  EXPECT_EQ(status(*card, 0x91, {0x00, 14, 0x34}), sw::password_required);
}
TEST(FuseCard, RefusesUnknownSelectorsAndWrongCodeLengths) {
  auto card = powered_card("gpm896");
  EXPECT_EQ(status(*card, 0x92, present({0x00, 0x08, 0x04}, {0xFF, 0xFF})), sw::parameter_refused);
  EXPECT_EQ(status(*card, 0x92, present({0x00, 0x0A, 0x04}, {0xFF, 0xFF, 0xFF, 0xFF})), sw::wrong_length);
  EXPECT_EQ(status(*card, 0x92, {0x00, 0x0A, 0x04, 0xFF}), sw::wrong_length);
  EXPECT_EQ(data_of(*card, 0x92, present({0x00, 0x36, 0x00}, repeated(0xFF, 6))), Bytes{0xFF});
  EXPECT_EQ(status(*card, 0x94, {0x00, 0x00}), sw::card_type_not_supported);  // no fuse to blow
}

TEST(FuseCard, CodesReadAsZerosUntilTheSecretCode) {
  auto card = powered_card("at102");
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 8, 6}), (Bytes{0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF}));
  send(*card, 0x92, present({0x00, 0x0A, 0x10}, {0xFF, 0xFF}));
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 8, 6}), repeated(0xFF, 6));
  // The new code works at the next power-up.
  ASSERT_EQ(status(*card, 0x91, {0x00, 10, 0x24, 0x68}), sw::ok);
  card->power_up();
  EXPECT_EQ(data_of(*card, 0x92, present({0x00, 0x0A, 0x10}, {0xFF, 0xFF})), Bytes{0x07});
  EXPECT_EQ(data_of(*card, 0x92, present({0x00, 0x0A, 0x10}, {0x24, 0x68})), Bytes{0xFF});
}

TEST(FuseCard, IssuerAreaIsWrittenInIssuerModeUntilTheFuseIsBlown) {
  auto card = powered_card("at101");
  const Bytes issuer_write{0x00, 0x02, 0xA1, 0xA2};
  EXPECT_EQ(status(*card, 0x94, {0x00, 0x00}), sw::password_required);
  send(*card, 0x92, present({0x00, 0x0A, 0x10}, {0xFF, 0xFF}));
  EXPECT_EQ(status(*card, 0x91, issuer_write), sw::write_refused);  // fuse pin not high
  EXPECT_EQ(status(*card, 0x84, {0x02}), sw::parameter_refused);
  ASSERT_EQ(status(*card, 0x84, {0x01}), sw::ok);
  EXPECT_EQ(status(*card, 0x91, issuer_write), sw::ok);
  EXPECT_EQ(status(*card, 0x91, {0x00, 0x00, 0x00}), sw::write_refused);  // fabrication zone, never
  EXPECT_EQ(status(*card, 0x94, {0x00, 0x01}), sw::parameter_refused);
  ASSERT_EQ(status(*card, 0x94, {0x00, 0x00}), sw::ok);
  EXPECT_EQ(status(*card, 0x91, {0x00, 0x02, 0x00}), sw::write_refused);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0x02, 0x02}), (Bytes{0xA1, 0xA2}));
  // The fuse stays blown; the pin level lasts across power cycles.
  card->power_down();
  card->power_up();
  send(*card, 0x92, present({0x00, 0x0A, 0x10}, {0xFF, 0xFF}));
  EXPECT_EQ(status(*card, 0x91, issuer_write), sw::write_refused);
  EXPECT_EQ(status(*card, 0x91, {0x00, 170, 0x55}), sw::ok);  // the memory test zone is free
}

TEST(FuseCard, EraseNeedsTheEraseCodeAndSpendsTheEraseCounter) {
  auto card = powered_card("sle4404");
  const Bytes erase_code = present({0x00, 0x28, 0x40}, {0xFF, 0xFF, 0xFF, 0xFF});
  send(*card, 0x92, present({0x00, 0x08, 0x04}, {0xFF, 0xFF}));
  ASSERT_EQ(status(*card, 0x91, {0x00, 14, 0x00, 0x00}), sw::ok);
  EXPECT_EQ(status(*card, 0x95, {0x00, 14, 2}), sw::password_required);
  ASSERT_EQ(data_of(*card, 0x92, erase_code), Bytes{0xFF});
  EXPECT_EQ(status(*card, 0x95, {0x00, 14, 2}), sw::ok);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 14, 2}), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 44, 1}), Bytes{0x7F});
  EXPECT_EQ(status(*card, 0x95, {0x00, 50, 3}), sw::address_out_of_range);
  // 64 erases in all.
  for (int i = 1; i < 64; ++i) ASSERT_EQ(status(*card, 0x95, {0x00, 14, 1}), sw::ok);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 44, 8}), repeated(0x00, 8));
  EXPECT_EQ(status(*card, 0x95, {0x00, 14, 1}), sw::write_refused);
}

TEST(FuseCard, At1604ZonesNeedTheirOwnSecurityCode) {
  auto card = powered_card("at1604");
  send(*card, 0x92, present({0x00, 0x0A, 0x08}, {0xFF, 0xFF}));
  EXPECT_EQ(status(*card, 0x91, {0x04, 0xCB, 0x11}), sw::password_required);  // zone 2 at 1227
  ASSERT_EQ(data_of(*card, 0x92, present({0x04, 0xC6, 0xFF}, {0xFF, 0xFF})), Bytes{0xFF});
  EXPECT_EQ(status(*card, 0x91, {0x04, 0xCB, 0x11}), sw::ok);
  EXPECT_EQ(status(*card, 0x91, {0x00, 27, 0x11}), sw::password_required);  // zone 1 is another's
  // Zone 1's code misses show in its own counter at 23.
  send(*card, 0x92, present({0x00, 0x15, 0x08}, {0x00, 0x00}));
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 23, 1}), Bytes{0xF7});
  EXPECT_EQ(status(*card, 0x90, {0x07, 0xD5, 0x03}), sw::address_out_of_range);
}

}  // namespace
}  // namespace kitesim
