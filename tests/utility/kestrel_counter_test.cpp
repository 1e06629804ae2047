// The "Counters" dialog against the emulated counter cards: the value the five stages hold, the
// count-down steps with their borrows, what is refused, and the "Update" dialog's window after a
// count-down. The cards take writes that only clear counter bits before the transport code.
#include <QLineEdit>

#include "MemoryDialogsFixture.h"

namespace kestrel::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// A counter card's memory: eight identification bytes, then the five stages.
Bytes with_stages(const std::array<uint8_t, TFrmCounter::kStages>& stages) {
  Bytes memory(8 + stages.size(), 0x00);
  std::ranges::copy(stages, memory.begin() + 8);
  return memory;
}

class CounterDialog : public MemoryDialogsTest {
 protected:
  QLineEdit& value() const { return child<QLineEdit>(*counter, "counterValue"); }
  // Opens the dialog, checks the value shown, enters another and presses OK.
  int count_to(const char* shown, const char* entered) {
    return view_counter([=, this] {
      EXPECT_EQ(value().text(), shown);
      value().setText(QLatin1String(entered));
      press(*counter, "OK");
    });
  }
  Bytes stages() { return card_bytes(0, 8, 5); }

  // Eight units off an empty stage 3: stage 2 counts down with carry, which refills stage 3,
  // then stage 3 counts down.
  void borrow(const char* model, uint8_t type, const char* carry_mode) {
    start_with(model, type, with_stages({{0x71, 0x00, 0x01, 0x00, 0x00}}));
    const qsizetype mark = log_lines().size();
    EXPECT_EQ(count_to("16448", "16440"), QDialog::Accepted);
    EXPECT_EQ(sent_since(mark).mid(1), (QStringList{QStringLiteral("< 00 08 %1 0A 01 00").arg(QLatin1String(carry_mode)),
                                                    "< 00 ", "< 00 02 00 0B 01 00", "< FE "}));
    EXPECT_EQ(stages(), (Bytes{0x71, 0x00, 0x00, 0xFE, 0x00}));
  }
};

TEST_F(CounterDialog, CountsOneUnitOffTheLastStage) {
  start_with("lm104", 1, with_stages({{0x71, 0x00, 0x00, 0x00, 0x03}}));
  const qsizetype mark = log_lines().size();
  EXPECT_EQ(count_to("16386", "16385"), QDialog::Accepted);
  EXPECT_EQ(sent_since(mark), (QStringList{"< 00 01 00 08 00 05", "< 00 02 00 0C 01 00", "< 02 "}));
  EXPECT_EQ(stages(), (Bytes{0x71, 0x00, 0x00, 0x00, 0x02}));
  EXPECT_EQ(counter->windowTitle(), "Counters");
}

TEST_F(CounterDialog, TheLM104BorrowsWithoutTheBackupBit) { borrow("lm104", 1, "01"); }
TEST_F(CounterDialog, TheLM221BorrowsWithTheBackupBit) { borrow("lm221", 2, "03"); }

// The same value, a negative or non-numeric one and a larger one send nothing; the dialog
// closes with OK all the same.
TEST_F(CounterDialog, ValuesItCannotCountToSendNothing) {
  start_with("lm104", 1, with_stages({{0x71, 0x00, 0x00, 0x00, 0x03}}));
  for (const char* entered : {"16386", "-1", "ten", "16387"}) {
    const qsizetype mark = log_lines().size();
    EXPECT_EQ(view_counter([&] {
                value().setText(QLatin1String(entered));
                press(*counter, "OK");
                EXPECT_EQ(value().text(), entered[0] == '1' ? entered : "16386") << "a refused text is replaced";
              }),
              QDialog::Accepted);
    EXPECT_EQ(sent_since(mark).mid(1), QStringList{}) << entered;
  }
  EXPECT_EQ(message_texts(), (QStringList{"Counter Value is not numeric", "Counter Value is not numeric",
                                          "Error: Counter value is larger than the original"}));
  EXPECT_EQ(stages(), (Bytes{0x71, 0x00, 0x00, 0x00, 0x03}));
}

TEST_F(CounterDialog, ACardNotCountingDownIsNotShown) {
  start_with("lm104", 1);  // new: every stage FF
  EXPECT_EQ(counter->view_counter(1), QDialog::Rejected);
  EXPECT_EQ(prompter.dialogs_run, 0);
  EXPECT_EQ(message_texts(), QStringList{"Err: Card is not in count down mode"});
}

TEST_F(CounterDialog, AFailedReadIsReportedWithItsCode) {
  start_with("x76f100", 25);  // its reads need a password
  EXPECT_EQ(counter->view_counter(25), QX_ERR_NO_PASSWORD);
  EXPECT_EQ(prompter.dialogs_run, 0);
  EXPECT_EQ(message_texts(), QStringList{"Err: QXI_Read unexpected error - -1015"});
}

// Stage 0 holds units only in its bits 71: a borrow from 7E clears bit 10, not bit 02, which
// would refill stage 1 without taking a unit.
TEST_F(CounterDialog, StageZeroGivesOnlyItsUnitBits) {
  start_with("lm104", 1, with_stages({{0x7E, 0x00, 0x00, 0x00, 0x00}}));
  EXPECT_EQ(count_to("12288", "12287"), QDialog::Accepted);
  EXPECT_EQ(stages(), (Bytes{0x6E, 0xFE, 0xFE, 0xFE, 0xFE}));
  count_to("12287", "12287");
}

// With stage 0 empty, 4096 units or more can still sit in the stages below: counting them down
// counts those stages, not the empty one.
TEST_F(CounterDialog, UnitsBelowAnEmptyStageZeroAreCounted) {
  start_with("lm104", 1, with_stages({{0x00, 0xFF, 0x00, 0x00, 0x01}}));
  EXPECT_EQ(count_to("4097", "0"), QDialog::Accepted);
  EXPECT_EQ(stages(), (Bytes{0x00, 0x00, 0x00, 0x00, 0x00}));
}

// "View Counter" of the "Update" dialog: its window shows the stages as the count-down left them.
TEST_F(CounterDialog, TheUpdateWindowFollowsACountDown) {
  start_with("lm104", 1, with_stages({{0x71, 0x00, 0x00, 0x00, 0x03}}));
  in_counter = [&] {
    value().setText(QStringLiteral("16385"));
    press(*counter, "OK");
  };
  EXPECT_EQ(update(8, 5, [&] {
              choose("writeCarry");
              press(*write, "viewCounter");
              EXPECT_EQ(bytes_of(field("data").GetBuffer()), (Bytes{0x71, 0x00, 0x00, 0x00, 0x02}));
            }),
            QDialog::Rejected);
  EXPECT_EQ(prompter.dialogs_run, 2);
}

}  // namespace
}  // namespace kestrel::testing
