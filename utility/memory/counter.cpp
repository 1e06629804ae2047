#include "counter.h"

#include <QDialogButtonBox>
#include <QLineEdit>

#include <algorithm>

#include "DialogParts.h"
#include "MemoryCommand.h"
#include "Prompter.h"
#include "kiteb.h"

namespace kestrel {
namespace {

constexpr uint8_t kFirstStageAddress = 8;
constexpr int kLastStage = TFrmCounter::kStages - 1;
constexpr std::array<int32_t, TFrmCounter::kStages> kUnitsPerBit = {4096, 512, 64, 8, 1};
constexpr uint8_t kStage0Units = 0x71;
constexpr uint8_t kNotCountingDown = 0x80;
// The carry write's mode: with the backup bit, except on the LM104, which has no tearing flags.
constexpr uint8_t kCarry = 1;
constexpr uint8_t kCarryWithBackup = 3;

// The bits of a stage byte that hold units.
uint8_t unit_bits(int stage, uint8_t byte) {
  return stage == 0 ? static_cast<uint8_t>(byte & kStage0Units) : byte;
}

// The byte with one unit less: its lowest unit bit cleared. Stage 0's other bits are no units, and
// clearing one of them would count nothing (or, in a borrow, refill the stage below for nothing).
uint8_t one_unit_less(int stage, uint8_t byte) {
  const uint8_t units = unit_bits(stage, byte);
  const auto lowest = static_cast<uint8_t>(units & -units);
  return static_cast<uint8_t>(byte & ~lowest);
}

}  // namespace

int32_t counter_value(const TFrmCounter::Stages& stages) {
  int32_t value = 0;
  for (int stage = 0; stage < TFrmCounter::kStages; ++stage)
    value += bits_set(unit_bits(stage, stages[static_cast<size_t>(stage)])) * kUnitsPerBit[static_cast<size_t>(stage)];
  return value;
}

TFrmCounter::TFrmCounter(Kiteb& binding, Prompter& prompter, QWidget* parent)
    : QDialog(parent), binding_(binding), prompter_(prompter), value_(new QLineEdit(this)) {
  setWindowTitle(QStringLiteral("Counters"));
  value_->setObjectName(QStringLiteral("counterValue"));
  QDialogButtonBox* buttons = lay_out_one_field(*this, QStringLiteral("Counter Value:"), value_);
  connect(buttons, &QDialogButtonBox::accepted, this, &TFrmCounter::submit);
}

int TFrmCounter::view_counter(int card_type) {
  card_type_ = card_type;
  counted_ = false;
  const int32_t read = send_memory_command(binding_, {QXI_Read, 0, kFirstStageAddress, {}, kStages});
  if (read < 0) {
    tell(QStringLiteral("Err: QXI_Read unexpected error - %1").arg(read));
    return read;
  }
  const QX_APDU& reply = binding_.exchange_record();
  // Stages the card did not send would be taken from an earlier answer.
  if (reply.Le < kStages) {
    tell(QStringLiteral("Err: the card answered %1 of the %2 counter bytes").arg(reply.Le).arg(kStages));
    return QDialog::Rejected;
  }
  std::copy_n(reply.DataOut, kStages, stages_.begin());
  if (stages_[0] & kNotCountingDown) {
    tell(QStringLiteral("Err: Card is not in count down mode"));
    return QDialog::Rejected;
  }
  counter_value_ = counter_value(stages_);
  value_->setText(QString::number(counter_value_));
  value_->setFocus();
  value_->selectAll();
  return run_modal(prompter_, *this);
}

// OK: the counter counts down to the value entered; the dialog closes with OK whatever came of it.
void TFrmCounter::submit() {
  bool number = false;
  const int entered = value_->text().toInt(&number, 10);
  // A negative value asks for more units than the counter holds: it is no counter value.
  if (!number || entered < 0) {
    tell(QStringLiteral("Counter Value is not numeric"));
    value_->setText(QString::number(counter_value_));
  } else if (entered > counter_value_) {
    tell(QStringLiteral("Error: Counter value is larger than the original"));
  } else {
    count_down_by(counter_value_ - entered);
  }
  accept();
}

// The largest units first. A failed step is reported and the steps after it are still taken.
void TFrmCounter::count_down_by(int32_t units) {
  while (units > 0 && holds_units(kLastStage)) {
    const int stage = stage_for(units);
    count_down(stage, false);
    units -= kUnitsPerBit[static_cast<size_t>(stage)];
  }
}

// The stage of the largest unit not above units. While neither that stage nor one above it holds
// a unit, the units left are in the stages below, and the step goes to the next one down:
// counting an empty stage with nothing to borrow would write it again unchanged.
int TFrmCounter::stage_for(int32_t units) const {
  int stage = 0;
  while (kUnitsPerBit[static_cast<size_t>(stage)] > units) ++stage;
  while (stage < kLastStage && !holds_units(stage)) ++stage;
  return stage;
}

bool TFrmCounter::holds_units(int last_stage) const {
  for (int stage = 0; stage <= last_stage; ++stage)
    if (unit_bits(stage, stages_[static_cast<size_t>(stage)]) != 0) return true;
  return false;
}

// One unit less in the stage. An empty stage first borrows from the stage above: that one counts
// down with carry, and the card refills this one with FF. A borrow above stage 0 finds nothing.
void TFrmCounter::count_down(int stage, bool carry) {
  if (stage < 0) return;
  const auto index = static_cast<size_t>(stage);
  if (unit_bits(stage, stages_[index]) == 0) count_down(stage - 1, true);

  const std::array<uint8_t, 1> value{one_unit_less(stage, stages_[index])};
  const auto address = static_cast<uint8_t>(kFirstStageAddress + stage);
  const uint8_t mode = card_type_ == QX_CARD_LM104 ? kCarry : kCarryWithBackup;
  const MemoryCommand command =
      carry ? MemoryCommand{QXI_WriteCarry, mode, address, value} : MemoryCommand{QXI_Write, 0, address, value};
  const int32_t result = send_memory_command(binding_, command);
  if (result < 0) {
    tell(QStringLiteral("QXI_WriteCarry Error. Code = %1").arg(result));
    return;
  }
  counted_ = true;
  stages_[index] = value[0];
  if (carry && stage < kLastStage) stages_[index + 1] = 0xFF;
}

void TFrmCounter::tell(const QString& text) { prompter_.message(this, Prompter::Kind::Error, text); }

}  // namespace kestrel
