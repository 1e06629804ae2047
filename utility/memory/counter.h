// TFrmCounter: the "Counters" dialog. It shows the unit counter of a counter card (LM104, LM221,
// ST1335, ST1333) and counts it down to the value the user enters. The counter is five stages at
// addresses 8 to 12, worth 4096, 512, 64, 8 and 1 units a bit; stage 0 counts only its bits 71,
// and its bit 80 set means the card is not counting down.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

class QLineEdit;

namespace kestrel {

class Kiteb;
class Prompter;

class TFrmCounter final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kStages = 5;
  using Stages = std::array<uint8_t, kStages>;

  TFrmCounter(Kiteb& binding, Prompter& prompter, QWidget* parent = nullptr);

  // Reads the stages and shows the counter value. Without showing the dialog it returns the
  // library's error code when the read failed, and QDialog::Rejected when the card is not
  // counting down; otherwise the modal result.
  int view_counter(int card_type);

  // Whether the last opening wrote to the card: a copy of its stages elsewhere is out of date.
  bool counted() const { return counted_; }

 private:
  void submit();
  void count_down_by(int32_t units);
  int stage_for(int32_t units) const;
  bool holds_units(int last_stage) const;
  void count_down(int stage, bool carry);
  void tell(const QString& text);

  Kiteb& binding_;
  Prompter& prompter_;
  int card_type_ = 0;
  int32_t counter_value_ = 0;
  // The stages as read, then as the successful count-down steps left them.
  Stages stages_{};
  bool counted_ = false;
  QLineEdit* value_;
};

// The units the stages hold.
int32_t counter_value(const TFrmCounter::Stages& stages);

}  // namespace kestrel
