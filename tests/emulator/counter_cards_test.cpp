// Counter cards (LM104, LM221, ST1335, ST1333): the transport code, personalisation, a counter
// that only counts down, carries with and without backup, authentication and erase.
#include <gtest/gtest.h>

#include <array>
#include <bit>

#include "memory_card_support.h"

namespace kitesim {
namespace {

using namespace testing;

const Bytes factory_code{0xFF, 0xFF, 0xFF};

Bytes verify_command(const Bytes& code) { return join({{0x09}, code}); }
Bytes write_command(std::uint8_t address, std::uint8_t value) { return {0x00, address, 0x00, value}; }
Bytes carry_command(std::uint8_t address, std::uint8_t mode, std::uint8_t value) {
  return {0x00, address, mode, value};
}

// Presents the transport code and loads the five counter stages, as an issuer does.
void personalise(Card& card, std::array<std::uint8_t, 5> stages) {
  ASSERT_EQ(status(card, 0x92, verify_command(factory_code)), sw::ok);
  for (std::uint8_t s = 0; s < 5; ++s) ASSERT_EQ(status(card, 0x91, write_command(8 + s, stages[s])), sw::ok);
  card.power_up();  // the code is forgotten: from here on the card counts like a phone would
}

// The counting of the memory-card dialogs: read the five stages, take the value, and count down
// stage by stage, borrowing from the stage above with a carry write.
class CounterDialog {
 public:
  CounterDialog(Card& card, std::uint8_t carry_mode) : card_(card), carry_mode_(carry_mode) {
    Bytes read = data_of(card, 0x90, {0x00, 0x08, 0x05});
    std::copy(read.begin(), read.end(), stages_.begin());
  }

  int value() const {
    return std::popcount(static_cast<unsigned>(stages_[0] & 0x71)) * 4096 + std::popcount(stages_[1]) * 512 +
           std::popcount(stages_[2]) * 64 + std::popcount(stages_[3]) * 8 + std::popcount(stages_[4]);
  }

  // Counts down by d; false when the card refused a step.
  bool count_down(int d) {
    while (d > 0) {
      static constexpr int weights[] = {4096, 512, 64, 8, 1};
      int s = 0;
      while (weights[s] > d) ++s;
      stage_down(s, false);
      d -= weights[s];
    }
    return !refused_;
  }

 private:
  bool stage_down(int s, bool carry) {
    if (s < 0) return false;
    if (stages_[s] == 0) stage_down(s - 1, true);
    std::uint8_t value = stages_[s] & (stages_[s] - 1);
    auto address = static_cast<std::uint8_t>(8 + s);
    Bytes command = carry ? carry_command(address, carry_mode_, value) : write_command(address, value);
    if (status(card_, 0x91, command) != sw::ok) {
      refused_ = true;
      return false;
    }
    stages_[s] = value;
    if (carry) stages_[s + 1] = 0xFF;
    return true;
  }

  Card& card_;
  std::uint8_t carry_mode_;
  std::array<std::uint8_t, 5> stages_{};
  bool refused_ = false;
};

int card_value(Card& card) { return CounterDialog(card, 1).value(); }

TEST(CounterCard, CountsDownToZeroWithBackupAndNoFurther) {
  for (const char* model : {"lm221", "st1335", "st1333"}) {
    SCOPED_TRACE(model);
    auto card = powered_card(model);
    personalise(*card, {0x01, 0x03, 0x00, 0x01, 0x03});
    int expected = 4096 + 2 * 512 + 8 + 2;
    for (int step : {1, 8, 9, 64, 100, 511, 1000, 2000}) {
      CounterDialog dialog(*card, 3);
      ASSERT_TRUE(dialog.count_down(step));
      expected -= step;
      ASSERT_EQ(card_value(*card), expected);
    }
    CounterDialog last(*card, 3);
    ASSERT_TRUE(last.count_down(expected));
    EXPECT_EQ(card_value(*card), 0);
    // Below zero the borrow reaches an empty stage 0: the card refuses to refill from nothing.
    CounterDialog beyond(*card, 3);
    EXPECT_FALSE(beyond.count_down(1));
    EXPECT_EQ(card_value(*card), 0);
  }
}

TEST(CounterCard, WithoutTheCodeOnlyCountingDownIsAllowed) {
  auto card = powered_card("lm104");
  personalise(*card, {0x71, 0x0F, 0x00, 0x00, 0x03});
  EXPECT_EQ(status(*card, 0x91, write_command(12, 0x07)), sw::write_refused);  // would add a unit
  EXPECT_EQ(status(*card, 0x91, write_command(12, 0x03)), sw::ok);             // the same value
  EXPECT_EQ(status(*card, 0x91, write_command(12, 0x01)), sw::ok);
  EXPECT_EQ(status(*card, 0x91, carry_command(9, 1, 0x0F)), sw::write_refused);          // clears nothing
  EXPECT_EQ(status(*card, 0x91, carry_command(12, 1, 0x00)), sw::address_out_of_range);  // no stage below
  EXPECT_EQ(status(*card, 0x91, carry_command(3, 1, 0x00)), sw::address_out_of_range);
  EXPECT_EQ(status(*card, 0x91, carry_command(9, 2, 0x07)), sw::parameter_refused);
  EXPECT_EQ(status(*card, 0x91, write_command(3, 0x00)), sw::password_required);  // identification area
  EXPECT_EQ(status(*card, 0x91, write_command(13, 0x00)), sw::address_out_of_range);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0x08, 0x05}), (Bytes{0x71, 0x0F, 0x00, 0x00, 0x01}));
}

// The reader reads the tearing flags at every LM221 power-up and completes a carry that was cut
// short by writing the stage again with backup.
TEST(CounterCard, BackupCarryCompletesACarryThatWasCutShort) {
  auto card = powered_card("lm221");
  personalise(*card, {0x71, 0x0F, 0x00, 0x00, 0x00});
  ASSERT_EQ(status(*card, 0x92, verify_command(factory_code)), sw::ok);
  ASSERT_EQ(status(*card, 0x91, write_command(13, 0xFD)), sw::ok);  // stage 1's flag clear
  card->power_up();
  EXPECT_EQ(status(*card, 0x91, carry_command(9, 1, 0x0F)), sw::write_refused);  // without backup
  EXPECT_EQ(status(*card, 0x91, carry_command(9, 3, 0x0F)), sw::ok);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0x08, 0x06}), (Bytes{0x71, 0x0F, 0xFF, 0x00, 0x00, 0xFF}));
  EXPECT_EQ(status(*card, 0x91, carry_command(9, 3, 0x0F)), sw::write_refused);  // completed once
}

TEST(CounterCard, CertificateIsACrcOfKeyChallengeAndClockPulses) {
  auto lm221 = powered_card("lm221");
  ASSERT_EQ(status(*lm221, 0x92, verify_command(factory_code)), sw::ok);
  for (std::uint8_t i = 0; i < 6; ++i) ASSERT_EQ(status(*lm221, 0x91, write_command(16 + i, 0x11 * (i + 1))), sw::ok);
  EXPECT_EQ(data_of(*lm221, 0x90, {0x00, 16, 6}), Bytes(6, 0x00));  // keys are never read back
  EXPECT_EQ(data_of(*lm221, 0x96, {0x00, 0x10, 1, 2, 3, 4, 5, 6}), (Bytes{0x79, 0xFE}));
  EXPECT_EQ(data_of(*lm221, 0x96, {0x01, 0x00, 1, 2, 3, 4, 5, 6}), (Bytes{0xB2, 0x25}));  // key 2, all FF
  EXPECT_EQ(status(*lm221, 0x96, {0x02, 0x00, 1, 2, 3, 4, 5, 6}), sw::parameter_refused);

  auto st = powered_card("st1333");
  ASSERT_EQ(status(*st, 0x92, verify_command(factory_code)), sw::ok);
  for (std::uint8_t i = 0; i < 8; ++i) ASSERT_EQ(status(*st, 0x91, write_command(16 + i, i)), sw::ok);
  EXPECT_EQ(data_of(*st, 0x96, {0xDE, 0xAD, 0xBE, 0xEF}), Bytes{0xF7});
  EXPECT_EQ(status(*st, 0x96, {0, 0, 0, 0, 0, 0, 0, 0}), sw::wrong_length);
}

}  // namespace
}  // namespace kitesim
