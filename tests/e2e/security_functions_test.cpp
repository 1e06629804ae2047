// The security functions of the memory cards through the real library, as the utility's "Keys
// Verification", "Properties" and "Special functions" dialogs use them: every password number of
// the key lists reaching its own code, changes of codes and passwords, the XIIC's protection
// nibbles, certificates, the fuse pin and reactivation.
#include <bit>

#include "emulated_card.h"

namespace {

using namespace e2e;

const Bytes ffff = repeated(0xFF, 2);
const Bytes factory = repeated(0xFF, 8);
const Bytes wrong = {1, 2, 3, 4, 5, 6, 7, 8};

struct Model {
  const char* model;
  std::uint8_t type;
  friend void PrintTo(const Model& m, std::ostream* out) { *out << m.model; }
};

// A fresh card of the parameter's model, in a session of its card type.
template <typename Param>
class CardTest : public EmulatedCard, public ::testing::WithParamInterface<Param> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(open(this->GetParam().model));
    ASSERT_EQ(start_session(this->GetParam().type), 0);
  }
};

template <typename Param>
std::string model_name(const ::testing::TestParamInfo<Param>& info) {
  return info.param.model;
}

// --- Keys Verification: the password numbers of the fuse cards ------------------------------

// A code in the card's memory, by its password number in the key list.
struct CodeArea {
  std::uint8_t number;
  std::uint16_t address;
  std::size_t length;

  Bytes value() const {
    Bytes value(length);
    for (std::size_t i = 0; i < length; ++i) value[i] = static_cast<std::uint8_t>(0x10 * number + 0x21 + i);
    return value;
  }
};

struct KeyList {
  const char* model;
  std::uint8_t type;
  std::vector<CodeArea> codes;  // number 0, the secret code, first
  friend void PrintTo(const KeyList& list, std::ostream* out) { *out << list.model; }
};

using FuseCardKeys = CardTest<KeyList>;

// A code written into its area is the one its number verifies, and each number spends a
// counter of its own: one miss leaves three of four chances in the answer's low four bits.
TEST_P(FuseCardKeys, EveryPasswordNumberVerifiesItsOwnCode) {
  const KeyList& list = GetParam();
  ASSERT_EQ(exchange(verify(0, ffff)).data, Bytes{0xFF});
  for (const CodeArea& code : list.codes) {
    const Apdu write = write_memory(static_cast<std::uint8_t>(code.address >> 8),
                                    static_cast<std::uint8_t>(code.address), code.value());
    ASSERT_EQ(exchange(write).result, 0) << "code " << int{code.number};
  }
  ASSERT_EQ(start_session(list.type), 0);
  for (const CodeArea& code : list.codes) {
    SCOPED_TRACE(::testing::Message() << "code " << int{code.number});
    Reply missed = exchange(verify(code.number, repeated(0xFF, code.length)));
    ASSERT_EQ(missed.result, 0);
    ASSERT_EQ(missed.data.size(), 1u);
    EXPECT_EQ(std::popcount(static_cast<unsigned>(missed.data[0] & 0x0F)), 3);
    EXPECT_EQ(exchange(verify(code.number, code.value())).data, Bytes{0xFF});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cards, FuseCardKeys,
    ::testing::Values(KeyList{"sle4404", QX_CARD_SLE4404, {{0, 8, 2}, {1, 40, 4}}},
                      KeyList{"gpm896", QX_CARD_GPM896, {{0, 10, 2}, {1, 54, 6}, {2, 92, 4}}},
                      KeyList{"at101", QX_CARD_AT101, {{0, 10, 2}, {1, 150, 4}}},
                      KeyList{"at102", QX_CARD_AT102, {{0, 10, 2}, {1, 86, 6}, {2, 156, 4}}},
                      KeyList{"at1604",
                              QX_CARD_AT1604,
                              {{0, 10, 2},
                               {1, 24, 2},
                               {2, 1224, 2},
                               {3, 1485, 2},
                               {4, 1746, 2},
                               {5, 21, 2},
                               {6, 1222, 2},
                               {7, 1483, 2},
                               {8, 1744, 2}}}),
    model_name<KeyList>);

// The utility offers a change for the AT1604; the library refuses it after the code was accepted.
TEST_F(EmulatedCard, At1604ChangeIsRefusedByTheLibraryAfterTheVerification) {
  ASSERT_NO_FATAL_FAILURE(open("at1604"));
  ASSERT_EQ(start_session(QX_CARD_AT1604), 0);
  ASSERT_EQ(exchange(verify(0, ffff)).data, Bytes{0xFF});
  const std::uint64_t before = commands_received();
  EXPECT_EQ(exchange({.ins = QXI_ChangePIN, .data = {0x12, 0x34}}).result, QX_ERR_NOT_SUPPORTED);
  EXPECT_EQ(commands_received(), before);
}

// --- Keys Verification: changing the passwords of the X76F cards ----------------------------

struct PasswordChange {
  const char* model;
  std::uint8_t type;
  std::uint8_t number;
  std::uint8_t presented;  // what the dialog verifies first: the number, or the X76F100's write password
  friend void PrintTo(const PasswordChange& c, std::ostream* out) { *out << c.model << " " << int{c.number}; }
};

using PasswordChanges = CardTest<PasswordChange>;

TEST_P(PasswordChanges, TheNewPasswordHoldsInTheNextSessionAndTheOldNoLonger) {
  const PasswordChange& change = GetParam();
  ASSERT_EQ(exchange(verify(change.presented, factory)).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_ChangePIN, .p1 = change.number, .data = wrong}).result, 0);
  ASSERT_EQ(start_session(change.type), 0);
  EXPECT_EQ(exchange(verify(change.number, factory)).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(exchange(verify(change.number, wrong)).result, 0);
}

INSTANTIATE_TEST_SUITE_P(Cards, PasswordChanges,
                         ::testing::Values(PasswordChange{"x76f041", QX_CARD_X76F041, 0, 0},
                                           PasswordChange{"x76f041", QX_CARD_X76F041, 1, 1},
                                           PasswordChange{"x76f041", QX_CARD_X76F041, 2, 2},
                                           PasswordChange{"x76f128", QX_CARD_X76F128, 0, 0},
                                           PasswordChange{"x76f128", QX_CARD_X76F128, 1, 1},
                                           PasswordChange{"x76f128", QX_CARD_X76F128, 2, 2},
                                           PasswordChange{"x76f128", QX_CARD_X76F128, 3, 3},
                                           PasswordChange{"x76f128", QX_CARD_X76F128, 4, 4},
                                           PasswordChange{"x76f640", QX_CARD_X76F640, 1, 1},
                                           PasswordChange{"x76f640", QX_CARD_X76F640, 4, 4},
                                           PasswordChange{"x76f100", QX_CARD_X76F100, 0, 0},
                                           PasswordChange{"x76f100", QX_CARD_X76F100, 1, 0}),
                         [](const auto& info) {
                           return std::string(info.param.model) + "_" + std::to_string(info.param.number);
                         });

// --- Properties: the XIIC's protection ------------------------------------------------------

// The positions of the dialog's three track bars.
struct XiicSetting {
  std::uint8_t start;
  std::uint8_t end;
  std::uint8_t endurance;
  friend void PrintTo(const XiicSetting& s, std::ostream* out) {
    *out << int{s.start} << "-" << int{s.end} << " he " << int{s.endurance};
  }
};

class Xiic : public EmulatedCard {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(open("xiic"));
    ASSERT_EQ(start_session(QX_CARD_XIIC), 0);
  }
  // Writes the first byte of a block, or with `last` its last.
  Reply write_block(std::size_t block, bool last) {
    const std::size_t address = block * 128 + (last ? 127 : 0);
    return exchange(write_memory(static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), {0x5A}));
  }
};

class XiicProtection : public Xiic, public ::testing::WithParamInterface<XiicSetting> {};

// "Update" sends the endurance block, then the start and the span; the card reads them back as
// the three nibbles the bars take, and protects the blocks from start to before end.
TEST_P(XiicProtection, UpdateIsReadBackAsTheBarsWereSet) {
  const XiicSetting& s = GetParam();
  ASSERT_EQ(exchange({.ins = QXI_SetHE, .p1 = s.endurance}).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_SetProtect, .p1 = s.start, .p2 = static_cast<std::uint8_t>(s.end - s.start)}).result,
            0);
  EXPECT_EQ(exchange({.ins = QXI_ReadProtect, .le = 3}).data, (Bytes{s.start, s.end, s.endurance}));
  if (s.start > 0) {
    EXPECT_EQ(write_block(s.start - 1, true).result, 0);
  }
  EXPECT_EQ(write_block(s.start, false).result, QX_ERR_STATUS_6704);
  EXPECT_EQ(write_block(s.end - 1, true).result, QX_ERR_STATUS_6704);
  EXPECT_EQ(write_block(s.end, false).result, 0);
}

INSTANTIATE_TEST_SUITE_P(Settings, XiicProtection,
                         ::testing::Values(XiicSetting{0, 1, 0}, XiicSetting{3, 10, 9}, XiicSetting{0, 15, 15},
                                           XiicSetting{14, 15, 2}),
                         [](const auto& info) {
                           return std::to_string(info.param.start) + "_" + std::to_string(info.param.end);
                         });

// A range past the last nibble is refused and leaves the protection as it was; a span of 0
// clears it.
TEST_F(Xiic, RangePastTheNibblesIsRefusedAndSpanZeroClears) {
  ASSERT_EQ(exchange({.ins = QXI_SetProtect, .p1 = 2, .p2 = 3}).result, 0);
  EXPECT_EQ(exchange({.ins = QXI_SetProtect, .p1 = 8, .p2 = 8}).result, QX_ERR_STATUS_6004);
  EXPECT_EQ(exchange({.ins = QXI_ReadProtect, .le = 3}).data, (Bytes{2, 5, 0}));
  EXPECT_EQ(write_block(9, false).result, 0);
  EXPECT_EQ(write_block(2, false).result, QX_ERR_STATUS_6704);
  ASSERT_EQ(exchange({.ins = QXI_SetProtect, .p1 = 2, .p2 = 0}).result, 0);
  EXPECT_EQ(write_block(2, false).result, 0);
}

// --- Special functions: certificates ---------------------------------------------------------

struct Authentication {
  const char* model;
  std::uint8_t type;
  std::uint8_t key;      // P1: Key1 0, Key2 1
  std::uint8_t address;  // of the key in the memory
  std::size_t key_length;
  std::size_t challenge_length;
  std::int32_t certificate_length;
  friend void PrintTo(const Authentication& a, std::ostream* out) { *out << a.model << " key " << int{a.key}; }
};

class Certificates : public CardTest<Authentication> {
 protected:
  Reply authenticate(Bytes challenge, std::uint8_t clock_pulses = 0) {
    const Authentication& a = GetParam();
    if (a.challenge_length == 4) return exchange({.ins = QXI_Authenticate, .data = challenge, .le = 1});
    return exchange(
        {.ins = QXI_Authenticate, .p1 = a.key, .p2 = clock_pulses, .data = std::move(challenge), .le = 2});
  }
  Bytes challenge(std::uint8_t first) const {
    Bytes c(GetParam().challenge_length);
    for (std::size_t i = 0; i < c.size(); ++i) c[i] = static_cast<std::uint8_t>(first + 0x11 * i);
    return c;
  }
};

TEST_P(Certificates, DependOnTheChallengeAndTheKeyThatIsNeverReadBack) {
  const Authentication& a = GetParam();
  const Reply first = authenticate(challenge(0x01));
  ASSERT_EQ(first.result, 0);
  ASSERT_EQ(first.data.size(), static_cast<std::size_t>(a.certificate_length));
  EXPECT_EQ(authenticate(challenge(0x01)).data, first.data);
  EXPECT_NE(authenticate(challenge(0x02)).data, first.data);

  // Personalisation: after the transport code the issuer writes the key.
  ASSERT_EQ(exchange(verify(0, repeated(0xFF, 3))).result, 0);
  Bytes key(a.key_length);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(0xA0 + i);
  ASSERT_EQ(exchange(write_memory(0, a.address, key)).result, 0);
  EXPECT_EQ(exchange(read_memory(0, a.address, static_cast<std::int32_t>(a.key_length))).data,
            repeated(0x00, a.key_length));
  EXPECT_NE(authenticate(challenge(0x01)).data, first.data);
}

INSTANTIATE_TEST_SUITE_P(Cards, Certificates,
                         ::testing::Values(Authentication{"lm221", QX_CARD_LM221, 0, 16, 6, 6, 2},
                                           Authentication{"lm221", QX_CARD_LM221, 1, 40, 8, 6, 2},
                                           Authentication{"st1335", QX_CARD_ST1335, 0, 16, 8, 4, 1},
                                           Authentication{"st1333", QX_CARD_ST1333, 0, 16, 8, 4, 1}),
                         [](const auto& info) {
                           return std::string(info.param.model) + "_key" + std::to_string(info.param.key);
                         });

TEST_F(EmulatedCard, Lm221CertificateDependsOnTheClockPulses) {
  ASSERT_NO_FATAL_FAILURE(open("lm221"));
  ASSERT_EQ(start_session(QX_CARD_LM221), 0);
  const Bytes challenge = {1, 2, 3, 4, 5, 6};
  const Reply none = exchange({.ins = QXI_Authenticate, .p2 = 0x00, .data = challenge, .le = 2});
  const Reply five = exchange({.ins = QXI_Authenticate, .p2 = 0x05, .data = challenge, .le = 2});
  ASSERT_EQ(none.result, 0);
  ASSERT_EQ(five.result, 0);
  EXPECT_NE(none.data, five.data);
}

// --- Special functions: the fuse pin ---------------------------------------------------------

using FusePin = CardTest<Model>;

// Only with the pin high is the issuer area (from byte 2) written. Setting the pin resets the
// card, so the secret code is presented after it.
TEST_P(FusePin, OnlyHighOpensTheIssuerArea) {
  const struct {
    std::uint8_t level;
    std::int32_t issuer_write;
  } levels[] = {{0xFF, QX_ERR_STATUS_6704}, {0x01, 0}, {0x00, QX_ERR_STATUS_6704}};
  for (const auto& pin : levels) {
    SCOPED_TRACE(::testing::Message() << "pin " << int{pin.level});
    ASSERT_EQ(exchange({.ins = QXI_SetFuse, .p1 = pin.level}).result, 0);
    EXPECT_EQ(exchange(write_memory(0, 2, {pin.level})).result, QX_ERR_NO_PASSWORD);
    ASSERT_EQ(exchange(verify(0, ffff)).data, Bytes{0xFF});
    EXPECT_EQ(exchange(write_memory(0, 2, {pin.level})).result, pin.issuer_write);
  }
  EXPECT_EQ(exchange(read_memory(0, 2, 1)).data, Bytes{0x01});
}

INSTANTIATE_TEST_SUITE_P(Cards, FusePin,
                         ::testing::Values(Model{"sle4404", QX_CARD_SLE4404},
                                           Model{"gpm896", QX_CARD_GPM896},
                                           Model{"at101", QX_CARD_AT101}, Model{"at102", QX_CARD_AT102},
                                           Model{"at1604", QX_CARD_AT1604}),
                         model_name<Model>);

// --- Special functions: reactivation ---------------------------------------------------------

using Reactivation = CardTest<Model>;

TEST_P(Reactivation, TakesTheResetPasswordAsLastChanged) {
  const Bytes reset = {0x52, 0x45, 0x53, 0x45, 0x54, 0x00, 0x00, 0x01};
  ASSERT_EQ(exchange(verify(4, factory)).result, 0);
  ASSERT_EQ(exchange({.ins = QXI_ChangePIN, .p1 = 4, .data = reset}).result, 0);
  for (int i = 0; i < 8; ++i) ASSERT_EQ(exchange(verify(0, wrong)).result, QX_ERR_NO_PASSWORD) << i;
  ASSERT_EQ(exchange(verify(0, factory)).result, QX_ERR_STATUS_6705);
  EXPECT_EQ(exchange({.ins = QXI_Reactivate, .data = factory}).result, QX_ERR_NO_PASSWORD);
  EXPECT_EQ(exchange({.ins = QXI_Reactivate, .data = reset}).result, 0);
  EXPECT_EQ(exchange(verify(0, factory)).result, 0);
}

INSTANTIATE_TEST_SUITE_P(Cards, Reactivation,
                         ::testing::Values(Model{"x76f128", QX_CARD_X76F128},
                                           Model{"x76f640", QX_CARD_X76F640}),
                         model_name<Model>);

}  // namespace
