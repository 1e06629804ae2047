// Write protection through the real library: protect bits of the LM8KP and LM2KP, the XIIC's
// protected blocks, the protection register of the LM256 and LM4KP with write all and erase,
// and the X24645's place in the address space.
#include "emulated_card.h"

namespace {

using namespace e2e;

TEST_F(EmulatedCard, Lm8kpWriteProtectKeepsBytes) {
  ASSERT_NO_FATAL_FAILURE(open("lm8kp"));
  ASSERT_EQ(start_session(QX_CARD_LM8KP), 0);
  ASSERT_EQ(exchange({.ins = QXI_WriteProtect, .p1 = 0x03, .p2 = 0xFE, .data = {0x10, 0x11}}).result, 0);
  EXPECT_EQ(exchange(write_memory(0x03, 0xFD, {0x20, 0x21, 0x22})).result, QX_ERR_STATUS_6704);
  EXPECT_EQ(exchange(read_memory(0x03, 0xFD, 3)).data, (Bytes{0x20, 0x10, 0x11}));
}

TEST_F(EmulatedCard, XiicProtectionAndEnduranceBlock) {
  ASSERT_NO_FATAL_FAILURE(open("xiic"));
  ASSERT_EQ(start_session(QX_CARD_XIIC), 0);
  ASSERT_EQ(exchange({.ins = QXI_SetHE, .p1 = 9}).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_SetProtect, .p1 = 1, .p2 = 2}).result, 0);  // blocks 1 and 2
  EXPECT_EQ(exchange({.ins = QXI_ReadProtect, .le = 3}).data, (Bytes{1, 3, 9}));
  EXPECT_EQ(exchange(write_memory(0x01, 0x7F, {0x01, 0x02})).result, QX_ERR_STATUS_6704);
  EXPECT_EQ(exchange(write_memory(0x00, 0x7F, {0x01})).result, 0);
  EXPECT_EQ(exchange(read_memory(0x00, 0x7F, 2)).data, (Bytes{0x01, 0xFF}));
  EXPECT_EQ(exchange({.ins = QXI_CardOptions, .p1 = 0x01}).result, 0);
}

TEST_F(EmulatedCard, Lm256ProtectionRegisterClearAndLock) {
  ASSERT_NO_FATAL_FAILURE(open("lm256"));
  ASSERT_EQ(start_session(QX_CARD_LM256), 0);
  ASSERT_EQ(exchange({.ins = QXI_WriteAll, .data = {0x12, 0x34}}).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_SetProtect, .p1 = 12}).result, 0);  // registers 12 to 15
  EXPECT_EQ(exchange({.ins = QXI_ReadProtect, .le = 1}).data, Bytes{12});
  EXPECT_EQ(exchange(write_memory(0, 22, {0xAA, 0xBB, 0xCC, 0xDD})).result, QX_ERR_STATUS_6704);  // words 11, 12
  EXPECT_EQ(exchange(read_memory(0, 22, 4)).data, (Bytes{0xAA, 0xBB, 0x12, 0x34}));
  ASSERT_EQ(exchange({.ins = QXI_ClearProtect}).result, 0);
  EXPECT_EQ(exchange(write_memory(0, 24, {0xCC, 0xDD})).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_SetProtect, .p1 = 15}).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_LockPRotect}).result, 0);
  EXPECT_EQ(exchange({.ins = QXI_ClearProtect}).result, QX_ERR_STATUS_6704);
  EXPECT_EQ(exchange({.ins = QXI_ReadProtect, .le = 1}).data, Bytes{15});
}

TEST_F(EmulatedCard, Lm4kpErasesWordsAndEverything) {
  ASSERT_NO_FATAL_FAILURE(open("lm4kp"));
  ASSERT_EQ(start_session(QX_CARD_LM4KP), 0);
  ASSERT_EQ(exchange({.ins = QXI_WriteAll, .data = {0x00, 0x00}}).result, 0);
  EXPECT_EQ(exchange({.ins = QXI_Erase, .p1 = 1, .p2 = 0x20, .lc = 4}).result, 0);  // two words at byte 0x120
  EXPECT_EQ(exchange(read_memory(1, 0x1E, 8)).data, (Bytes{0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
  ASSERT_EQ(exchange({.ins = QXI_SetProtect, .p1 = 15}).result, 0);  // the last 16 words
  EXPECT_EQ(exchange({.ins = QXI_EraseAll}).result, QX_ERR_STATUS_6704);
  EXPECT_EQ(exchange(read_memory(0, 0, 2)).data, (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(exchange(read_memory(1, 0xFE, 2)).data, (Bytes{0x00, 0x00}));
}

// The memory page shows the X24645 at 0xC000 to 0xDFFF; the library sets the top bit of P1.
TEST_F(EmulatedCard, X24645FillsItsPlaceInTheAddressSpace) {
  ASSERT_NO_FATAL_FAILURE(open("x24645"));
  ASSERT_EQ(start_session(QX_CARD_X24645), 0);
  ASSERT_EQ(exchange(write_memory(0xDF, 0xFE, {0x01, 0x02})).result, 0);
  Reply last = exchange(read_memory(0xDF, 0xE0, 32));
  ASSERT_EQ(last.result, 0);
  EXPECT_EQ(last.data.size(), 32u);
  EXPECT_EQ(last.data[31], 0x02);
  EXPECT_EQ(exchange(read_memory(0x1F, 0xFE, 2)).data, (Bytes{0x01, 0x02}));  // P1 0x1F goes out as 0x9F
  EXPECT_EQ(exchange(write_memory(0xDF, 0xFF, {0x01, 0x02})).result, QX_ERR_STATUS_6702);
}

}  // namespace
