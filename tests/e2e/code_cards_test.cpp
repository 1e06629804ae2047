// Cards with codes and error counters through the real library: the counter cards' transport
// code, counting down with carry, tearing and certificates; the fuse cards' codes with their
// chances, fuse pin and fuse; the LM8KS and LM2KS security codes.
#include "emulated_card.h"

namespace {

using namespace e2e;

const Bytes transport_code = repeated(0xFF, 3);

struct Model {
  const char* name;
  std::uint8_t code;
};
void PrintTo(const Model& model, std::ostream* out) { *out << model.name; }
std::string model_name(const ::testing::TestParamInfo<Model>& info) { return info.param.name; }

class ModelTest : public EmulatedCard, public ::testing::WithParamInterface<Model> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(open(GetParam().name));
    ASSERT_EQ(start_session(GetParam().code), 0);
  }
};

// --- Counter cards -------------------------------------------------------------------------

using CounterCard = ModelTest;

TEST_P(CounterCard, TransportCodeWrongThenRightThenLocked) {
  EXPECT_EQ(exchange(verify(0, {1, 2, 3})).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(exchange(write_memory(0, 3, {0x42})).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(exchange(verify(0, {1, 2, 3})).result, QX_ERR_NO_PASSWORD);
  ASSERT_EQ(exchange(verify(0, transport_code)).result, 0);  // the third chance, and all come back
  EXPECT_EQ(exchange(write_memory(0, 3, {0x42})).result, 0);

  ASSERT_EQ(start_session(GetParam().code), 0);
  EXPECT_EQ(exchange(write_memory(0, 3, {0x43})).result, QX_ERR_NO_PASSWORD);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(exchange(verify(0, {1, 2, 3})).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(exchange(verify(0, transport_code)).result, QX_ERR_STATUS_6705);
  EXPECT_EQ(exchange(read_memory(0, 3, 1)).data, Bytes{0x42});
}

// The counting of the "Counters" dialog: down by 8 with stage 3 empty borrows from stage 2.
TEST_P(CounterCard, CountsDownWithCarryAndNeverUp) {
  ASSERT_EQ(exchange(verify(0, transport_code)).result, 0);
  ASSERT_EQ(exchange(write_memory(0, 8, {0x71, 0x00, 0x01, 0x00, 0x03})).result, 0);
  ASSERT_EQ(start_session(GetParam().code), 0);  // no code from here on

  const std::uint8_t carry = GetParam().code == QX_CARD_LM104 ? 1 : 3;
  EXPECT_EQ(exchange({.ins = QXI_WriteCarry, .p1 = carry, .p2 = 10, .data = {0x00}}).result, 0);
  EXPECT_EQ(exchange(write_memory(0, 11, {0xFE})).result, 0);
  EXPECT_EQ(exchange(read_memory(0, 8, 5)).data, (Bytes{0x71, 0x00, 0x00, 0xFE, 0x03}));

  EXPECT_EQ(exchange(write_memory(0, 12, {0x07})).result, QX_ERR_STATUS_6704);  // a unit more
  EXPECT_EQ(exchange({.ins = QXI_WriteCarry, .p1 = carry, .p2 = 10, .data = {0x00}}).result, QX_ERR_STATUS_6704);
  EXPECT_EQ(exchange(read_memory(0, 8, 5)).data, (Bytes{0x71, 0x00, 0x00, 0xFE, 0x03}));
}

INSTANTIATE_TEST_SUITE_P(Cards, CounterCard,
                         ::testing::Values(Model{"lm104", QX_CARD_LM104}, Model{"lm221", QX_CARD_LM221},
                                           Model{"st1335", QX_CARD_ST1335}, Model{"st1333", QX_CARD_ST1333}),
                         model_name);

// A carry whose tearing flag (byte 13) is clear is completed by the session start.
TEST_F(EmulatedCard, Lm221SessionStartCompletesACarryCutShort) {
  ASSERT_NO_FATAL_FAILURE(open("lm221"));
  ASSERT_EQ(start_session(QX_CARD_LM221), 0);
  ASSERT_EQ(exchange(verify(0, transport_code)).result, 0);
  ASSERT_EQ(exchange(write_memory(0, 8, {0x71, 0x0F, 0x00, 0x00, 0x00, 0xFE})).result, 0);
  ASSERT_EQ(start_session(QX_CARD_LM221), 0);
  EXPECT_EQ(emulator->state().last_command, (Bytes{0x91, 0x04, 0x00, 0x08, 0x03, 0x71}));
  EXPECT_EQ(exchange(read_memory(0, 8, 6)).data, (Bytes{0x71, 0xFF, 0x00, 0x00, 0x00, 0xFF}));
}

TEST_F(EmulatedCard, Lm221CertificateOfASixByteChallenge) {
  ASSERT_NO_FATAL_FAILURE(open("lm221"));
  ASSERT_EQ(start_session(QX_CARD_LM221), 0);
  Reply key2 = exchange({.ins = QXI_Authenticate, .p1 = 1, .p2 = 0x00, .data = {1, 2, 3, 4, 5, 6}, .le = 2});
  ASSERT_EQ(key2.result, 0);
  EXPECT_EQ(key2.data, (Bytes{0xB2, 0x25}));  // CRC-16/CCITT of key 2 (all FF), the challenge, clock 0
}

TEST_F(EmulatedCard, St1335CertificateOfAFourByteChallenge) {
  ASSERT_NO_FATAL_FAILURE(open("st1335"));
  ASSERT_EQ(start_session(QX_CARD_ST1335), 0);
  Reply certificate = exchange({.ins = QXI_Authenticate, .data = {0xDE, 0xAD, 0xBE, 0xEF}, .le = 1});
  ASSERT_EQ(certificate.result, 0);
  EXPECT_EQ(certificate.data, Bytes{0x1A});  // CRC-16/CCITT of the key (all FF) and the challenge
}

// --- Fuse cards ----------------------------------------------------------------------------

using FuseCard = ModelTest;

// As the memory page does before every read: the fuse pin high; the library then checks the
// reader and powers the card up again.
TEST_P(FuseCard, SetFuseResetsTheCard) {
  EXPECT_EQ(exchange({.ins = QXI_SetFuse, .p1 = 0x01}).result, 0);
  const auto recent = emulator->state().recent_commands;
  ASSERT_GE(recent.size(), 3u);
  EXPECT_EQ(recent[recent.size() - 3], (Bytes{0x84, 0x01, 0x01}));
  EXPECT_EQ(recent[recent.size() - 2], (Bytes{0x01, 0x00}));
  EXPECT_EQ(recent[recent.size() - 1], (Bytes{0x80, 0x00}));
}

TEST_P(FuseCard, SecretCodeAnswersTheChancesLeftAndLocks) {
  const Bytes wrong{0x12, 0x34}, right{0xFF, 0xFF};
  const std::uint8_t zone = GetParam().code == QX_CARD_AT1604 ? 13 : 14;
  EXPECT_EQ(exchange(verify(0, wrong)).data, Bytes{0x07});
  EXPECT_EQ(exchange(write_memory(0, zone, {0x5A})).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(exchange(verify(0, wrong)).data, Bytes{0x03});
  EXPECT_EQ(exchange(verify(0, right)).data, Bytes{0xFF});
  EXPECT_EQ(exchange(write_memory(0, zone, {0x5A})).result, 0);
  for (std::uint8_t left : {0x07, 0x03, 0x01, 0x00}) EXPECT_EQ(exchange(verify(0, wrong)).data, Bytes{left});
  EXPECT_EQ(exchange(verify(0, right)).result, QX_ERR_STATUS_6705);
  EXPECT_EQ(exchange(read_memory(0, zone, 1)).data, Bytes{0x5A});
}

INSTANTIATE_TEST_SUITE_P(Cards, FuseCard,
                         ::testing::Values(Model{"sle4404", QX_CARD_SLE4404}, Model{"gpm896", QX_CARD_GPM896},
                                           Model{"at101", QX_CARD_AT101}, Model{"at102", QX_CARD_AT102},
                                           Model{"at1604", QX_CARD_AT1604}),
                         model_name);

using BlownFuse = ModelTest;

TEST_P(BlownFuse, IssuerAreaIsNoLongerWritten) {
  ASSERT_EQ(exchange({.ins = QXI_SetFuse, .p1 = 0x01}).result, 0);
  ASSERT_EQ(exchange(verify(0, {0xFF, 0xFF})).data, Bytes{0xFF});
  EXPECT_EQ(exchange(write_memory(0, 2, {0x11, 0x22})).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_BlowFuse}).result, 0);
  EXPECT_EQ(exchange(write_memory(0, 2, {0x33})).result, QX_ERR_STATUS_6704);
  EXPECT_EQ(exchange(read_memory(0, 2, 2)).data, (Bytes{0x11, 0x22}));
}

INSTANTIATE_TEST_SUITE_P(Cards, BlownFuse,
                         ::testing::Values(Model{"at101", QX_CARD_AT101}, Model{"at102", QX_CARD_AT102},
                                           Model{"at1604", QX_CARD_AT1604}),
                         model_name);

// --- Security codes of the LM8KS and LM2KS -------------------------------------------------

struct SecuredModel {
  const char* name;
  std::uint8_t code;
  std::size_t code_length;
};
void PrintTo(const SecuredModel& model, std::ostream* out) { *out << model.name; }

class SecurityCode : public EmulatedCard, public ::testing::WithParamInterface<SecuredModel> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(open(GetParam().name));
    ASSERT_EQ(start_session(GetParam().code), 0);
  }
  Bytes code(std::uint8_t byte) const { return repeated(byte, GetParam().code_length); }
  Reply security_memory() {
    return exchange({.ins = QXI_ReadProtect, .le = static_cast<std::int32_t>(GetParam().code_length + 1)});
  }
};

TEST_P(SecurityCode, AnswersItsChancesAndShowsTheCodeOnceVerified) {
  EXPECT_EQ(exchange(verify(0, code(0x00))).data, Bytes{0x03});
  Bytes hidden = code(0x00);
  hidden.insert(hidden.begin(), 0x03);
  EXPECT_EQ(security_memory().data, hidden);
  EXPECT_EQ(exchange(write_memory(0, 0x10, {0x01})).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(exchange(verify(0, code(0xFF))).data, Bytes{0x07});
  Bytes shown = code(0xFF);
  shown.insert(shown.begin(), 0x07);
  EXPECT_EQ(security_memory().data, shown);
  EXPECT_EQ(exchange(write_memory(0, 0x10, {0x01})).result, 0);
  for (std::uint8_t left : {0x03, 0x01, 0x00}) EXPECT_EQ(exchange(verify(0, code(0x00))).data, Bytes{left});
  EXPECT_EQ(exchange(verify(0, code(0xFF))).result, QX_ERR_STATUS_6705);
}

TEST_P(SecurityCode, ProtectedBytesKeepTheirValue) {
  ASSERT_EQ(exchange(verify(0, code(0xFF))).data, Bytes{0x07});
  ASSERT_EQ(exchange({.ins = QXI_WriteProtect, .p2 = 0x04, .data = {0xA0, 0xA1}}).result, 0);
  EXPECT_EQ(exchange(write_memory(0, 0x03, {0x01, 0xA0, 0x02})).result, QX_ERR_STATUS_6704);
  EXPECT_EQ(exchange(read_memory(0, 0x03, 3)).data, (Bytes{0x01, 0xA0, 0xA1}));
}

INSTANTIATE_TEST_SUITE_P(Cards, SecurityCode,
                         ::testing::Values(SecuredModel{"lm8ks", QX_CARD_LM8KS, 2},
                                           SecuredModel{"lm2ks", QX_CARD_LM2KS, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EmulatedCard, Lm2ksChangesItsCode) {
  ASSERT_NO_FATAL_FAILURE(open("lm2ks"));
  ASSERT_EQ(start_session(QX_CARD_LM2KS), 0);
  EXPECT_EQ(exchange({.ins = QXI_ChangePIN, .data = {1, 2, 3}}).result, QX_ERR_NO_PASSWORD);
  ASSERT_EQ(exchange(verify(0, {0xFF, 0xFF, 0xFF})).data, Bytes{0x07});
  ASSERT_EQ(exchange({.ins = QXI_ChangePIN, .data = {1, 2, 3}}).result, 0);
  ASSERT_EQ(start_session(QX_CARD_LM2KS), 0);
  EXPECT_EQ(exchange(verify(0, {0xFF, 0xFF, 0xFF})).data, Bytes{0x03});
  EXPECT_EQ(exchange(verify(0, {1, 2, 3})).data, Bytes{0x07});
}

}  // namespace
