// Every memory-card type through the real library: a session, a write read back (after the
// type's code or passwords where it has them, refused before), the memory kept across sessions,
// and parameter checks that send nothing to the reader.
#include "emulated_card.h"

namespace {

using namespace e2e;

struct CardType {
  const char* model;
  std::uint8_t code;
  std::vector<Apdu> unlock;  // what opens writing, in a fresh session
  std::uint8_t p1, p2;       // where to write
  Apdu refused;              // a command the library refuses before sending
  std::int32_t refusal;

  friend void PrintTo(const CardType& type, std::ostream* out) { *out << type.model; }
};

const Bytes ffff = repeated(0xFF, 2);
const Bytes ff8 = repeated(0xFF, 8);
const Apdu transport_code = verify(0, repeated(0xFF, 3));

const CardType card_types[] = {
    {"lm104", QX_CARD_LM104, {transport_code}, 0, 3, {.ins = QXI_WriteCarry, .p1 = 4, .data = {0x00}}, -1051},
    {"lm221", QX_CARD_LM221, {transport_code}, 0, 3, {.ins = QXI_Authenticate, .p1 = 2, .data = Bytes(6)}, -1051},
    {"sle4404", QX_CARD_SLE4404, {verify(0, ffff)}, 0, 14, verify(1, ffff), -1051},
    {"gpm896", QX_CARD_GPM896, {verify(0, ffff)}, 0, 22, verify(3, ffff), -1051},
    {"at101", QX_CARD_AT101, {verify(0, ffff)}, 0, 22, {.ins = QXI_SetFuse, .p1 = 2}, -1051},
    {"at102", QX_CARD_AT102, {verify(0, ffff)}, 0, 22, {.ins = QXI_BlowFuse, .data = {0x00}}, -1051},
    {"lm8kp", QX_CARD_LM8KP, {}, 1, 0, {.ins = QXI_Read, .data = {0x00}, .le = 4}, -1051},
    {"lm8ks", QX_CARD_LM8KS, {verify(0, ffff)}, 1, 0, {.ins = QXI_ReadProtect, .le = 4}, -1051},
    {"lm2kp", QX_CARD_LM2KP, {}, 0, 0x40, {.ins = QXI_Write, .data = {0x00}, .le = 1}, -1051},
    {"lm2ks", QX_CARD_LM2KS, {verify(0, repeated(0xFF, 3))}, 0, 0x40, {.ins = QXI_ChangePIN, .data = ffff}, -1051},
    {"iic", QX_CARD_IIC, {}, 0, 0x10, {.ins = QXI_CardOptions, .data = {0x01}}, -1051},
    {"xiic", QX_CARD_XIIC, {}, 0, 0x10, {.ins = QXI_SetProtect, .p1 = 16}, -1051},
    {"at1604", QX_CARD_AT1604, {verify(0, ffff)}, 0, 13, verify(9, ffff), -1051},
    {"lm256", QX_CARD_LM256, {}, 0, 4, read_memory(0, 0x21, 2), -1053},
    {"lm4kp", QX_CARD_LM4KP, {}, 1, 0x20, {.ins = QXI_Erase, .p2 = 0x11, .lc = 2}, -1053},
    {"x76f041", QX_CARD_X76F041, {verify(0, ff8), verify(1, ff8)}, 0x81, 0x10, verify(3, ff8), -1051},
    {"x24645", QX_CARD_X24645, {}, 0x00, 0x10, {.ins = QXI_Read, .data = {0x00}, .le = 1}, -1051},
    {"st1335", QX_CARD_ST1335, {transport_code}, 0, 40, {.ins = QXI_Authenticate, .data = Bytes(6), .le = 1}, -1051},
    {"st1333", QX_CARD_ST1333, {transport_code}, 0, 40, verify(0, ffff), -1051},
    {"x76f128", QX_CARD_X76F128, {verify(0, ff8), verify(2, ff8)}, 0, 0x10, verify(5, ff8), -1051},
    {"x76f640",
     QX_CARD_X76F640,
     {verify(0, ff8), verify(2, ff8)},
     0,
     0x10,
     {.ins = QXI_WriteAll, .data = Bytes(7)},
     -1051},
    {"x76f100", QX_CARD_X76F100, {verify(0, ff8), verify(1, ff8)}, 0, 0x10, read_memory(0, 0, 1), -1015},
};

class EveryMemoryCard : public EmulatedCard, public ::testing::WithParamInterface<CardType> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(open(GetParam().model));
    ASSERT_EQ(start_session(GetParam().code), 0);
  }

  void unlock() {
    for (const Apdu& apdu : GetParam().unlock) ASSERT_EQ(exchange(apdu).result, 0);
  }
};

TEST_P(EveryMemoryCard, WriteIsReadBackAndOutlivesTheSession) {
  const CardType& type = GetParam();
  const Bytes data{0xC1, 0x5E, 0xA7, 0x3D};
  if (!type.unlock.empty()) {
    EXPECT_EQ(exchange(write_memory(type.p1, type.p2, data)).result, QX_ERR_NO_PASSWORD);
  }
  unlock();
  Reply written = exchange(write_memory(type.p1, type.p2, data));
  ASSERT_EQ(written.result, 0);
  EXPECT_EQ(written.status, 0x9000);
  Reply read_back = exchange(read_memory(type.p1, type.p2, 4));
  ASSERT_EQ(read_back.result, 0);
  EXPECT_EQ(read_back.data, data);

  ASSERT_EQ(start_session(type.code), 0);
  unlock();
  EXPECT_EQ(exchange(read_memory(type.p1, type.p2, 4)).data, data);
}

TEST_P(EveryMemoryCard, ParameterChecksSendNothing) {
  const CardType& type = GetParam();
  const std::uint64_t before = commands_received();
  EXPECT_EQ(exchange(type.refused).result, type.refusal);
  Apdu unsupported{.ins = static_cast<std::uint8_t>(type.code == QX_CARD_XIIC ? QXI_LockPRotect : QXI_SetHE)};
  EXPECT_EQ(exchange(unsupported).result, QX_ERR_NOT_SUPPORTED);
  EXPECT_EQ(exchange({.ins = 20}).result, QX_ERR_NOT_SUPPORTED);
  QX_APDU with_class{};
  with_class.CLA = 1;
  with_class.INS = QXI_Read;
  EXPECT_EQ(QX_ExchangeAPDU(handle, &with_class), QX_ERR_BAD_CLA);
  EXPECT_EQ(commands_received(), before);
}

INSTANTIATE_TEST_SUITE_P(Cards, EveryMemoryCard, ::testing::ValuesIn(card_types),
                         [](const auto& info) { return std::string(info.param.model); });

}  // namespace
