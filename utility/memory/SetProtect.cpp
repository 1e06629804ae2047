#include "SetProtect.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "DialogParts.h"
#include "HexEdit.h"
#include "MemoryCommand.h"
#include "Prompter.h"
#include "TrackBar.h"
#include "kiteb.h"

namespace kestrel {

// What the protection of a card type reads as: the reply length asked for, and the page that
// shows it.
struct ProtectionReading {
  int card_type;
  int reply_length;
  TFrmSetProtect::Page page;
};

namespace {

constexpr ProtectionReading kReadings[] = {
    {QX_CARD_LM8KS, 3, TFrmSetProtect::SecurityCode},
    {QX_CARD_LM2KS, 4, TFrmSetProtect::SecurityCode},
    {QX_CARD_XIIC, 3, TFrmSetProtect::Xiic},
    {QX_CARD_LM256, 1, TFrmSetProtect::Lm256},
    {QX_CARD_X76F041, 5, TFrmSetProtect::X76F041},
};

constexpr int kLastPosition = 15;
constexpr uint8_t kNibble = 0x0F;
// The X76F041 takes its configuration as five bytes.
constexpr int kConfigurationLength = 5;

const ProtectionReading* reading_of(int card_type) {
  const auto* found = std::ranges::find(kReadings, card_type, &ProtectionReading::card_type);
  return found != std::end(kReadings) ? found : nullptr;
}

}  // namespace

TFrmSetProtect::TFrmSetProtect(Kiteb& binding, Prompter& prompter, QWidget* parent)
    : QDialog(parent), binding_(binding), prompter_(prompter), pages_(new QTabWidget(this)) {
  setWindowTitle(QStringLiteral("Properties"));
  pages_->setObjectName(QStringLiteral("pages"));
  pages_->addTab(create_xiic_page(), QStringLiteral("XIIC"));
  pages_->addTab(create_security_code_page(), QStringLiteral("AT8KS/AT2KS"));
  pages_->addTab(create_lm256_page(), QStringLiteral("LM256"));
  pages_->addTab(create_x76f041_page(), QStringLiteral("X76F041"));

  auto* buttons = new QDialogButtonBox(this);
  update_ = buttons->addButton(QStringLiteral("Update"), QDialogButtonBox::ActionRole);
  update_->setObjectName(QStringLiteral("Update"));
  QPushButton* exit = buttons->addButton(QStringLiteral("Exit"), QDialogButtonBox::RejectRole);
  exit->setObjectName(QStringLiteral("Exit"));
  exit->setDefault(true);
  connect(update_, &QPushButton::clicked, this, &TFrmSetProtect::update_card);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons);
}

// A track bar in a row of the form, with the label of its position beside it.
TrackBar* TFrmSetProtect::track_bar(const QString& caption, const QString& name, QFormLayout& form, QWidget* parent) {
  auto* bar = new TrackBar(0, kLastPosition, parent);
  bar->setObjectName(name);
  auto* position = new QLabel(QStringLiteral("0"), parent);
  position->setObjectName(name + QStringLiteral("Position"));
  position->setMinimumWidth(position->fontMetrics().horizontalAdvance(QStringLiteral("00")));
  connect(bar, &QSlider::valueChanged, position, [position](int value) { position->setText(QString::number(value)); });
  auto* row = new QHBoxLayout;
  row->addWidget(bar, 1);
  row->addWidget(position);
  form.addRow(caption, row);
  return bar;
}

QWidget* TFrmSetProtect::create_xiic_page() {
  auto* page = new QWidget;
  auto* form = top_form(page);
  protection_start_ = track_bar(QStringLiteral("Protection Start:"), QStringLiteral("protectionStart"), *form, page);
  protection_end_ = track_bar(QStringLiteral("Protection End:"), QStringLiteral("protectionEnd"), *form, page);
  endurance_block_ = track_bar(QStringLiteral("Endurance Block"), QStringLiteral("enduranceBlock"), *form, page);
  // Start and end bars both show the blocks from the start position to the end position.
  connect(protection_start_, &QSlider::valueChanged, this, [this](int position) {
    protection_start_->set_selection_start(position);
    protection_end_->set_selection_start(position);
  });
  connect(protection_end_, &QSlider::valueChanged, this, [this](int position) {
    protection_start_->set_selection_end(position);
    protection_end_->set_selection_end(position);
  });
  return page;
}

QWidget* TFrmSetProtect::create_security_code_page() {
  auto* page = new QWidget;
  remaining_chances_ = new QLineEdit(page);
  remaining_chances_->setObjectName(QStringLiteral("remainingChances"));
  remaining_chances_->setReadOnly(true);
  security_code_ = one_line_hex_field(prompter_, QStringLiteral("securityCode"), 0, page);
  security_code_->setReadOnly(true);
  auto* form = top_form(page);
  form->addRow(QStringLiteral("Remaining Chances : "), remaining_chances_);
  form->addRow(QStringLiteral("Security Code :"), security_code_);
  return page;
}

QWidget* TFrmSetProtect::create_lm256_page() {
  auto* page = new QWidget;
  auto* form = top_form(page);
  protected_registers_ =
      track_bar(QStringLiteral("Protected Registers:"), QStringLiteral("protectedRegisters"), *form, page);
  protected_registers_->set_selection_end(kLastPosition);
  // The register protects the words from its position to the last.
  connect(protected_registers_, &QSlider::valueChanged, protected_registers_, &TrackBar::set_selection_start);
  clear_protection_ = new QCheckBox(QStringLiteral("Clear the protection"), page);
  clear_protection_->setObjectName(QStringLiteral("clearProtection"));
  connect(clear_protection_, &QCheckBox::toggled, this, &TFrmSetProtect::set_clear_protection);
  form->addRow(clear_protection_);
  return page;
}

QWidget* TFrmSetProtect::create_x76f041_page() {
  auto* page = new QWidget;
  value_ = one_line_hex_field(prompter_, QStringLiteral("value"), 0, page);
  description_ = new QLabel(page);
  description_->setObjectName(QStringLiteral("description"));
  auto* form = top_form(page);
  form->addRow(QStringLiteral("Value:"), value_);
  form->addRow(description_);
  return page;
}

void TFrmSetProtect::show_protection(int card_type) {
  const ProtectionReading* reading = reading_of(card_type);
  if (reading == nullptr) {
    prompter_.message(this, Prompter::Kind::Error, no_function_text());
    return;
  }
  card_type_ = card_type;
  const int32_t result = send_memory_command(binding_, {QXI_ReadProtect, 0, 0, {}, reading->reply_length});
  if (result < 0) {
    prompter_.message(this, Prompter::Kind::Error,
                      QStringLiteral("Error:Unexpected error. QXI_ReadProtect return %1").arg(result));
    return;
  }
  fill(*reading);
  show_only(reading->page);
  show_selections();
  setResult(QDialog::Rejected);
  setResult(prompter_.exec(*this));
}

void TFrmSetProtect::fill(const ProtectionReading& reading) {
  switch (reading.page) {
    case SecurityCode: fill_security_code(reading); break;
    case Xiic: fill_xiic(); break;
    case Lm256: fill_lm256(); break;
    case X76F041: fill_x76f041(); break;
  }
  // The security code is only shown: its card types have nothing to set here.
  update_->setEnabled(reading.page != SecurityCode);
}

// The card's answer: the chances byte, then the code (zeros until it was presented).
void TFrmSetProtect::fill_security_code(const ProtectionReading& reading) {
  remaining_chances_->setText(QString::number(bits_set(reply_byte(binding_, 0))));
  std::array<uint8_t, 3> code{};
  const int code_length = reading.reply_length - 1;
  for (int i = 0; i < code_length; ++i) code[static_cast<size_t>(i)] = reply_byte(binding_, 1 + i);
  security_code_->SetBufferLen(code_length);
  security_code_->SetBuffer(code);
}

// The card answers first block, end block and high-endurance block in their low four bits.
void TFrmSetProtect::fill_xiic() {
  protection_start_->setValue(reply_byte(binding_, 0) & kNibble);
  protection_end_->setValue(reply_byte(binding_, 1) & kNibble);
  endurance_block_->setValue(reply_byte(binding_, 2) & kNibble);
}

// A register above the last word protects nothing: that is shown as the protection cleared, so
// that Update leaves it so instead of protecting the last word.
void TFrmSetProtect::fill_lm256() {
  const uint8_t register_value = reply_byte(binding_, 0);
  const bool nothing_protected = register_value > kLastPosition;
  clear_protection_->setChecked(nothing_protected);
  set_clear_protection(nothing_protected);
  if (!nothing_protected) protected_registers_->setValue(register_value);
}

// The configuration read is shown, so that Update writes back what the user sees.
void TFrmSetProtect::fill_x76f041() {
  description_->setText(QStringLiteral("Please see the Xicor data book"));
  std::array<uint8_t, kConfigurationLength> configuration{};
  for (int i = 0; i < kConfigurationLength; ++i) configuration[static_cast<size_t>(i)] = reply_byte(binding_, i);
  value_->SetBufferLen(kConfigurationLength);
  value_->SetBuffer(configuration);
}

void TFrmSetProtect::show_only(Page page) {
  for (int i = 0; i < pages_->count(); ++i) pages_->setTabVisible(i, i == page);
  pages_->setCurrentIndex(page);
}

void TFrmSetProtect::show_selections() {
  for (TrackBar* bar : {protection_start_, protection_end_}) {
    bar->set_selection_start(protection_start_->value());
    bar->set_selection_end(protection_end_->value());
  }
  protected_registers_->set_selection_start(protected_registers_->value());
  protected_registers_->set_selection_end(kLastPosition);
}

void TFrmSetProtect::set_clear_protection(bool clear) {
  if (clear) protected_registers_->setValue(kLastPosition);
  protected_registers_->setEnabled(!clear);
}

void TFrmSetProtect::update_card() {
  const int32_t result = send_update();
  if (result >= 0) {
    accept();
    return;
  }
  prompter_.message(this, Prompter::Kind::Error, QStringLiteral("Unexpected error. QXI_SetProtect return %1").arg(result));
}

// Sends the card type's commands, stopping at the first that fails: the result of the last one
// sent decides.
int32_t TFrmSetProtect::send_update() {
  switch (card_type_) {
    case QX_CARD_XIIC: return update_xiic();
    case QX_CARD_LM256: return update_lm256();
    case QX_CARD_X76F041: return send_memory_command(binding_, {QXI_SetProtect, 0, 0, value_->GetBuffer()});
    default: return QX_ERR_NOT_SUPPORTED;
  }
}

// The high-endurance block first; then the blocks from the start position up to the end position,
// sent as the first block and their count. An empty range sends no protection.
int32_t TFrmSetProtect::update_xiic() {
  const int32_t endurance =
      send_memory_command(binding_, {QXI_SetHE, static_cast<uint8_t>(endurance_block_->value())});
  if (endurance < 0) return endurance;
  const int start = protection_start_->value();
  const int span = protection_end_->value() - start;
  if (span <= 0) return endurance;
  return send_memory_command(binding_, {QXI_SetProtect, static_cast<uint8_t>(start), static_cast<uint8_t>(span)});
}

int32_t TFrmSetProtect::update_lm256() {
  const int32_t cleared = send_memory_command(binding_, {QXI_ClearProtect});
  if (cleared < 0 || clear_protection_->isChecked()) return cleared;
  return send_memory_command(binding_, {QXI_SetProtect, static_cast<uint8_t>(protected_registers_->value())});
}

}  // namespace kestrel
