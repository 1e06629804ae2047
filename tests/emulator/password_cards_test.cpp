// X76F password cards: X76F041 with its three passwords and configuration, X76F128 and X76F640
// with passwords per array, write all and reactivation, X76F100 with its read and write passwords.
#include <gtest/gtest.h>

#include "memory_card_support.h"

namespace kitesim {
namespace {

using namespace testing;

const Bytes factory = repeated(0xFF, 8);
const Bytes other = {1, 2, 3, 4, 5, 6, 7, 8};

// X76F041 verify: the password programmed with itself, by its selector.
Bytes x76f041_program(const Bytes& old_password, std::uint8_t selector, const Bytes& fresh) {
  return join({old_password, {selector, 0x00}, fresh, fresh});
}

TEST(X76f041Card, BlocksNeedPasswordsUntilConfiguredOtherwise) {
  auto card = powered_card("x76f041");
  EXPECT_EQ(status(*card, 0x90, {0x00, 0x00, 0x04}), sw::password_required);
  EXPECT_EQ(status(*card, 0x91, {0x00, 0x00, 0x01}), sw::password_required);
  EXPECT_EQ(status(*card, 0x94, join({factory, {0x00, 0x00, 0x5A}})), sw::ok);
  EXPECT_EQ(status(*card, 0x94, join({other, {0x00, 0x00, 0x5A}})), sw::password_required);
  EXPECT_EQ(data_of(*card, 0x90, join({factory, {0x00, 0x00, 0x01}})), Bytes{0x5A});
  EXPECT_EQ(data_of(*card, 0x92, join({factory, {0x00, 0x00, 0x01}})), Bytes{0x5A});
  EXPECT_EQ(status(*card, 0x90, join({other, {0x00, 0x00, 0x01}})), sw::password_required);
  // Block 0 open for reads, block 1 for writes.
  ASSERT_EQ(status(*card, 0x95, join({factory, {0x50, 0x00, 0x02, 0x01, 0x03, 0x03, 0x00}})), sw::ok);
  EXPECT_EQ(data_of(*card, 0x95, join({factory, {0x60, 0x05}})), (Bytes{0x02, 0x01, 0x03, 0x03, 0x00}));
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0x00, 0x01}), Bytes{0x5A});
  EXPECT_EQ(status(*card, 0x90, {0x00, 0x7F, 0x02}), sw::password_required);  // reaches block 1
  EXPECT_EQ(status(*card, 0x91, {0x00, 0x80, 0x11}), sw::ok);
  EXPECT_EQ(status(*card, 0x91, {0x00, 0x7F, 0x11}), sw::password_required);
  EXPECT_EQ(status(*card, 0x91, {0x01, 0xFF, 0x11, 0x12}), sw::address_out_of_range);
}

TEST(X76f041Card, PasswordsAreProgrammedWithTheOldOneOrResetWithTheConfigurationPassword) {
  auto card = powered_card("x76f041");
  EXPECT_EQ(status(*card, 0x95, x76f041_program(factory, 0x10, factory)), sw::ok);  // a verify
  ASSERT_EQ(status(*card, 0x95, x76f041_program(factory, 0x10, other)), sw::ok);
  EXPECT_EQ(status(*card, 0x90, join({factory, {0x00, 0x00, 0x01}})), sw::password_required);
  EXPECT_EQ(status(*card, 0x90, join({other, {0x00, 0x00, 0x01}})), sw::ok);
  EXPECT_EQ(status(*card, 0x95, x76f041_program(factory, 0x10, other)), sw::password_required);
  EXPECT_EQ(status(*card, 0x95, join({factory, {0x10, 0x00}, other, factory})), sw::parameter_refused);
  // The configuration password resets the read password to zeros.
  EXPECT_EQ(status(*card, 0x95, join({other, {0x40, 0x00}})), sw::password_required);
  ASSERT_EQ(status(*card, 0x95, join({factory, {0x40, 0x00}})), sw::ok);
  EXPECT_EQ(status(*card, 0x90, join({repeated(0x00, 8), {0x00, 0x00, 0x01}})), sw::ok);
  EXPECT_EQ(status(*card, 0x95, join({factory, {0x90, 0x00}})), sw::parameter_refused);
}

Bytes x76f128_read(std::uint8_t array, const Bytes& password, std::uint8_t high, std::uint8_t low, std::uint8_t count) {
  return join({{array}, password, {high, low, count}});
}

TEST(X76fArrayCard, EachArrayHasItsReadAndWritePassword) {
  for (const char* model : {"x76f128", "x76f640"}) {
    SCOPED_TRACE(model);
    auto card = powered_card(model);
    ASSERT_EQ(status(*card, 0x95, join({{3}, factory, other, other})), sw::ok);  // write password of array 1
    EXPECT_EQ(status(*card, 0x91, join({{1}, factory, {0x00, 0x3F, 0x77}})), sw::password_required);
    EXPECT_EQ(status(*card, 0x91, join({{1}, other, {0x00, 0x3F, 0x77}})), sw::ok);
    EXPECT_EQ(status(*card, 0x91, join({{1}, other, {0x00, 0x3F, 0x77, 0x78}})), sw::address_out_of_range);
    EXPECT_EQ(data_of(*card, 0x90, x76f128_read(1, factory, 0x00, 0x3F, 1)), Bytes{0x77});
    ASSERT_EQ(status(*card, 0x91, join({{0}, factory, {0x1F, 0xFF, 0x66}})), sw::ok);
    EXPECT_EQ(data_of(*card, 0x90, x76f128_read(0, factory, 0x1F, 0xFF, 1)), Bytes{0x66});
    EXPECT_EQ(status(*card, 0x90, x76f128_read(2, factory, 0x00, 0x00, 1)), sw::parameter_refused);
    EXPECT_EQ(status(*card, 0x95, join({{5}, factory, factory, factory})), sw::parameter_refused);
  }
  EXPECT_EQ(status(*powered_card("x76f640"), 0x90, x76f128_read(0, factory, 0x20, 0x00, 1)), sw::address_out_of_range);
  EXPECT_EQ(status(*powered_card("x76f128"), 0x90, x76f128_read(0, factory, 0x3F, 0xFF, 1)), sw::ok);
}

TEST(X76fArrayCard, WriteAllNeedsTheResetPasswordAndZeroesEveryPassword) {
  auto card = powered_card("x76f640");
  EXPECT_EQ(status(*card, 0x96, other), sw::password_required);
  ASSERT_EQ(status(*card, 0x95, join({{4}, factory, factory, factory})), sw::ok);
  ASSERT_EQ(status(*card, 0x96, other), sw::ok);
  const Bytes zeros = repeated(0x00, 8);
  EXPECT_EQ(data_of(*card, 0x90, x76f128_read(0, zeros, 0x00, 0x06, 4)), (Bytes{7, 8, 1, 2}));
  EXPECT_EQ(data_of(*card, 0x90, x76f128_read(1, zeros, 0x00, 0x3E, 2)), (Bytes{7, 8}));
  EXPECT_EQ(status(*card, 0x97, zeros), sw::ok);
  card->power_up();
  EXPECT_EQ(status(*card, 0x96, other), sw::password_required);
}

TEST(X76f100Card, ReadAndWritePasswords) {
  auto card = powered_card("x76f100");
  EXPECT_EQ(status(*card, 0x91, join({other, {0x00, 0x00, 0x42}})), sw::password_required);
  ASSERT_EQ(status(*card, 0x91, join({factory, {0x00, 0x6F, 0x42}})), sw::ok);
  EXPECT_EQ(status(*card, 0x91, join({factory, {0x00, 0x6F, 0x42, 0x43}})), sw::address_out_of_range);
  EXPECT_EQ(data_of(*card, 0x90, join({factory, {0x00, 0x6F, 0x01}})), Bytes{0x42});
  // The read password is programmed with the write password.
  EXPECT_EQ(status(*card, 0x95, join({{0x00}, other, other})), sw::password_required);
  ASSERT_EQ(status(*card, 0x95, join({{0x00}, factory, other})), sw::ok);
  EXPECT_EQ(status(*card, 0x90, join({factory, {0x00, 0x00, 0x01}})), sw::password_required);
  EXPECT_EQ(status(*card, 0x90, join({other, {0x00, 0x00, 0x01}})), sw::ok);
  ASSERT_EQ(status(*card, 0x95, join({{0x01}, factory, other})), sw::ok);
  EXPECT_EQ(status(*card, 0x91, join({other, {0x00, 0x00, 0x42}})), sw::ok);
  EXPECT_EQ(status(*card, 0x95, join({{0x02}, other, other})), sw::parameter_refused);
}

}  // namespace
}  // namespace kitesim
