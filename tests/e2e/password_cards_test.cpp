// The X76F password cards through the real library: the library's session key slots (refusing
// with -1015 before sending when a password is missing), the card's refusal of a wrong password,
// and each type's own commands.
#include "emulated_card.h"

namespace {

using namespace e2e;

const Bytes factory = repeated(0xFF, 8);
const Bytes wrong = {1, 2, 3, 4, 5, 6, 7, 8};
const Bytes zeros = repeated(0x00, 8);

struct PasswordCard {
  const char* name;
  std::uint8_t code;
  std::uint8_t read_slot;
  std::uint8_t p1;  // of a protected read and write
};
void PrintTo(const PasswordCard& card, std::ostream* out) { *out << card.name; }

class PasswordSlots : public EmulatedCard, public ::testing::WithParamInterface<PasswordCard> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(open(GetParam().name));
    ASSERT_EQ(start_session(GetParam().code), 0);
  }
};

TEST_P(PasswordSlots, ProtectedReadNeedsAVerifiedSlotInThisSession) {
  const PasswordCard& card = GetParam();
  std::uint64_t before = commands_received();
  EXPECT_EQ(exchange(read_memory(card.p1, 0x10, 4)).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(commands_received(), before);

  EXPECT_EQ(exchange(verify(card.read_slot, wrong)).result, QX_ERR_NO_PASSWORD);  // refused by the card
  EXPECT_EQ(commands_received(), before + 1);
  before = commands_received();
  EXPECT_EQ(exchange(read_memory(card.p1, 0x10, 4)).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(commands_received(), before);

  ASSERT_EQ(exchange(verify(card.read_slot, factory)).result, 0);
  Reply read = exchange(read_memory(card.p1, 0x10, 4));
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.data, repeated(0xFF, 4));

  ASSERT_EQ(start_session(card.code), 0);
  before = commands_received();
  EXPECT_EQ(exchange(read_memory(card.p1, 0x10, 4)).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(commands_received(), before);
}

INSTANTIATE_TEST_SUITE_P(Cards, PasswordSlots,
                         ::testing::Values(PasswordCard{"x76f041", QX_CARD_X76F041, 1, 0x81},
                                           PasswordCard{"x76f128", QX_CARD_X76F128, 1, 0x80},
                                           PasswordCard{"x76f640", QX_CARD_X76F640, 0, 0x00},
                                           PasswordCard{"x76f100", QX_CARD_X76F100, 1, 0x00}),
                         [](const auto& info) { return std::string(info.param.name); });

class X76f041 : public EmulatedCard {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(open("x76f041"));
    ASSERT_EQ(start_session(QX_CARD_X76F041), 0);
  }
};

TEST_F(X76f041, ConfigurationOpensBlocksToAccessWithoutPassword) {
  EXPECT_EQ(exchange(read_memory(0x00, 0x00, 1)).result, QX_ERR_NO_PASSWORD);  // block 0 behind passwords
  EXPECT_EQ(exchange({.ins = QXI_SetProtect, .data = {0, 0, 3, 3, 0}}).result, QX_ERR_NO_PASSWORD);
  ASSERT_EQ(exchange(verify(2, factory)).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_SetProtect, .data = {0x00, 0x00, 0x03, 0x03, 0x00}}).result, 0);
  EXPECT_EQ(exchange({.ins = QXI_ReadProtect, .le = 5}).data, (Bytes{0x00, 0x00, 0x03, 0x03, 0x00}));
  EXPECT_EQ(exchange(write_memory(0x00, 0xFF, {0x77})).result, 0);
  EXPECT_EQ(exchange(read_memory(0x00, 0xFF, 1)).data, Bytes{0x77});
  EXPECT_EQ(exchange(write_memory(0x01, 0x00, {0x77})).result, QX_ERR_NO_PASSWORD);  // block 2
  // With the configuration password a protected write goes out as 93 with it.
  EXPECT_EQ(exchange(write_memory(0x81, 0x00, {0x78})).result, 0);
  EXPECT_EQ(emulator->state().last_command[0], 0x93);
  EXPECT_EQ(exchange(read_memory(0x81, 0x00, 1)).data, Bytes{0x78});
}

TEST_F(X76f041, ChangingAPasswordNotVerifiedResetsItFirst) {
  ASSERT_EQ(exchange(verify(2, factory)).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_ChangePIN, .p1 = 1, .data = wrong}).result, 0);  // 95 .. 40 00, then 95 .. 10
  ASSERT_EQ(start_session(QX_CARD_X76F041), 0);
  EXPECT_EQ(exchange(verify(1, factory)).result, QX_ERR_NO_PASSWORD);
  ASSERT_EQ(exchange(verify(1, wrong)).result, 0);
  EXPECT_EQ(exchange(read_memory(0x80, 0x00, 1)).result, 0);
}

TEST_F(X76f041, EraseAllSetsEveryPasswordToOnes) {
  ASSERT_EQ(exchange({.ins = QXI_WriteAll, .data = factory}).result, 0);
  EXPECT_EQ(exchange(verify(0, factory)).result, QX_ERR_NO_PASSWORD);
  ASSERT_EQ(exchange(verify(0, zeros)).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_EraseAll, .data = zeros}).result, 0);
  ASSERT_EQ(exchange(verify(1, factory)).result, 0);
  EXPECT_EQ(exchange(read_memory(0x80, 0x00, 1)).data, Bytes{0xFF});
}

class X76fArray : public EmulatedCard, public ::testing::WithParamInterface<PasswordCard> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(open(GetParam().name));
    ASSERT_EQ(start_session(GetParam().code), 0);
  }
};

TEST_P(X76fArray, EachArrayHasItsOwnPasswords) {
  ASSERT_EQ(exchange(verify(1, factory)).result, 0);
  std::uint64_t before = commands_received();
  EXPECT_EQ(exchange(write_memory(0x80, 0x3C, {1, 2, 3, 4})).result, QX_ERR_NO_PASSWORD);  // needs slot 3
  EXPECT_EQ(commands_received(), before);
  ASSERT_EQ(exchange(verify(3, factory)).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_ChangePIN, .p1 = 3, .data = wrong}).result, 0);
  EXPECT_EQ(exchange(write_memory(0x80, 0x3C, {1, 2, 3, 4})).result, 0);
  EXPECT_EQ(exchange(read_memory(0x80, 0x3C, 4)).data, (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(exchange(write_memory(0x80, 0x3D, {1, 2, 3, 4})).result, QX_ERR_STATUS_6702);
}

TEST_P(X76fArray, WriteAllAfterTheResetPasswordZeroesThePasswords) {
  ASSERT_EQ(exchange(verify(4, factory)).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_WriteAll, .data = {0xA5, 0, 0, 0, 0, 0, 0, 0}}).result, 0);
  // The library now holds zeros in every slot, as the card does.
  EXPECT_EQ(exchange(read_memory(0x00, 0x08, 2)).data, (Bytes{0xA5, 0x00}));
  EXPECT_EQ(exchange(write_memory(0x80, 0x00, {0x5A})).result, 0);
}

TEST_P(X76fArray, WrongPasswordsLockUntilReactivated) {
  for (int i = 0; i < 8; ++i) ASSERT_EQ(exchange(verify(0, wrong)).result, QX_ERR_NO_PASSWORD) << i;
  EXPECT_EQ(exchange(verify(0, factory)).result, QX_ERR_STATUS_6705);
  EXPECT_EQ(exchange({.ins = QXI_Reactivate, .data = wrong}).result, QX_ERR_NO_PASSWORD);
  ASSERT_EQ(exchange({.ins = QXI_Reactivate, .data = factory}).result, 0);
  EXPECT_EQ(exchange(verify(0, factory)).result, 0);
  // A right password gives every retry back.
  for (int i = 0; i < 7; ++i) ASSERT_EQ(exchange(verify(0, wrong)).result, QX_ERR_NO_PASSWORD) << i;
  EXPECT_EQ(exchange(verify(0, factory)).result, 0);
  EXPECT_EQ(exchange(verify(0, wrong)).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(exchange(verify(0, factory)).result, 0);
}

INSTANTIATE_TEST_SUITE_P(Cards, X76fArray,
                         ::testing::Values(PasswordCard{"x76f128", QX_CARD_X76F128, 0, 0},
                                           PasswordCard{"x76f640", QX_CARD_X76F640, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EmulatedCard, X76f100ReadPasswordIsCheckedByAOneByteRead) {
  ASSERT_NO_FATAL_FAILURE(open("x76f100"));
  ASSERT_EQ(start_session(QX_CARD_X76F100), 0);
  EXPECT_EQ(exchange(verify(1, wrong)).result, QX_ERR_NO_PASSWORD);
  Reply verified = exchange(verify(1, factory));
  ASSERT_EQ(verified.result, 0);
  EXPECT_TRUE(verified.data.empty());  // the byte read is not handed out
  EXPECT_EQ(emulator->state().last_command,
            (Bytes{0x90, 0x0B, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01}));
  // Changing the read password takes the write password.
  EXPECT_EQ(exchange({.ins = QXI_ChangePIN, .p1 = 1, .data = wrong}).result, QX_ERR_NO_PASSWORD);
  ASSERT_EQ(exchange(verify(0, factory)).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_ChangePIN, .p1 = 1, .data = wrong}).result, 0);
  ASSERT_EQ(start_session(QX_CARD_X76F100), 0);
  EXPECT_EQ(exchange(verify(1, factory)).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(exchange(verify(1, wrong)).result, 0);
}

}  // namespace
