#include "Passwords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "CommandSupport.h"
#include "DialogParts.h"
#include "HexEdit.h"
#include "MemoryCommand.h"
#include "Prompter.h"
#include "kiteb.h"

namespace kestrel {
namespace {

constexpr int kX76F100 = 25;
constexpr int kLargestPasswordNumber = 9;

constexpr KeyEntry kTransportCode[] = {{"Transport Code (3 bytes)", 3}};
constexpr KeyEntry kTwoCodes[] = {{"Secret Code (2 bytes)", 2}, {"Erase Code (4 bytes)", 4}};
constexpr KeyEntry kThreeCodes[] = {
    {"Secret Code (2 bytes)", 2}, {"Erase Code 1 (6 bytes)", 6}, {"Erase Code 2 (4 bytes)", 4}};
constexpr KeyEntry kSecurityCode2[] = {{"Security Code (2 bytes)", 2}};
constexpr KeyEntry kSecurityCode3[] = {{"Security Code (3 bytes)", 3}};
constexpr KeyEntry kZoneCodes[] = {
    {"Secret Code (2 bytes)", 2},     {"Erase Key 1 (2 bytes)", 2},     {"Erase Key 2 (2 bytes)", 2},
    {"Erase Key 3 (2 bytes)", 2},     {"Erase Key 4 (2 bytes)", 2},     {"Security Code 1 (2 bytes)", 2},
    {"Security Code 2 (2 bytes)", 2}, {"Security Code 3 (2 bytes)", 2}, {"Security Code 4 (2 bytes)", 2}};
constexpr KeyEntry kX76F041Passwords[] = {
    {"Write Password (8 bytes)", 8}, {"Read Password (8 bytes)", 8}, {"Configuration Password (8 bytes)", 8}};
constexpr KeyEntry kArrayPasswords[] = {
    {"Read Array 0 Password (8 bytes)", 8},  {"Read Array 1 Password (8 bytes)", 8},
    {"Write Array 0 Password (8 bytes)", 8}, {"Write Array 1 Password (8 bytes)", 8},
    {"Reset Password (8 bytes)", 8}};
constexpr KeyEntry kX76F100Passwords[] = {{"Write Array 0 Password (8 bytes)", 8},
                                          {"Read Array 0 Password (8 bytes)", 8}};

// The card's error counter in the first byte of its answer to a verification: whether the value
// was wrong, and the chances left when it was.
struct CounterReading {
  bool wrong = false;
  int chances = 0;
};

std::optional<CounterReading> read_error_counter(int card_type, uint8_t counter) {
  switch (card_type) {
    case 3:
    case 4:
    case 5:
    case 6:
    case 13: return CounterReading{counter != 0xFF, bits_set(counter & 0x0F)};
    case 8:
    case 10: return CounterReading{counter != 0x07, bits_set(counter)};
    default: return std::nullopt;
  }
}

// A key is at most nine bytes: one line.
THexEdit* key_field(Prompter& prompter, const QString& name, QWidget* parent) {
  return one_line_hex_field(prompter, name, KeyMemory::kSlotLength, parent);
}

}  // namespace

std::span<const KeyEntry> key_list(int card_type) {
  switch (card_type) {
    case 1:
    case 2: return kTransportCode;
    case 3:
    case 5: return kTwoCodes;
    case 4:
    case 6: return kThreeCodes;
    case 8: return kSecurityCode2;
    case 10: return kSecurityCode3;
    case 13: return kZoneCodes;
    case 19: return kX76F041Passwords;
    case 23:
    case 24: return kArrayPasswords;
    case kX76F100: return kX76F100Passwords;
    default: return {};
  }
}

void KeyMemory::store(int number, std::span<const uint8_t> value) {
  auto& slot = slots_.at(static_cast<size_t>(number));
  std::copy_n(value.begin(), std::min(value.size(), slot.size()), slot.begin());
}

TFrmPasswords::TFrmPasswords(Kiteb& binding, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      binding_(binding),
      prompter_(prompter),
      key_names_(new QComboBox(this)),
      value_(key_field(prompter, QStringLiteral("value"), this)),
      new_value_group_(new QGroupBox(QStringLiteral("New value"), this)),
      new_value_label_(new QLabel(QStringLiteral("New Value:"), new_value_group_)),
      new_value_(key_field(prompter, QStringLiteral("newValue"), new_value_group_)),
      change_(new QCheckBox(QStringLiteral("Change to the new value"), new_value_group_)),
      hex_(new QRadioButton(QStringLiteral("Hex"), this)),
      ascii_(new QRadioButton(QStringLiteral("Ascii"), this)) {
  setWindowTitle(QStringLiteral("Keys Verification"));
  key_names_->setObjectName(QStringLiteral("keyName"));
  new_value_group_->setObjectName(QStringLiteral("newValueGroup"));
  change_->setObjectName(QStringLiteral("change"));
  hex_->setObjectName(QStringLiteral("hex"));
  ascii_->setObjectName(QStringLiteral("ascii"));
  hex_->setChecked(true);

  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("Key name:"), key_names_);
  fields->addRow(QStringLiteral("Value:"), value_);

  auto* new_value_layout = new QFormLayout(new_value_group_);
  new_value_layout->addRow(new_value_label_, new_value_);
  new_value_layout->addRow(change_);

  auto* format = new QGroupBox(QStringLiteral("Format"), this);
  auto* format_layout = new QHBoxLayout(format);
  format_layout->addWidget(hex_);
  format_layout->addWidget(ascii_);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OK"));
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("Cancel"));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(new_value_group_);
  layout->addWidget(format);
  layout->addWidget(buttons);

  connect(key_names_, &QComboBox::currentIndexChanged, this, &TFrmPasswords::load_entry);
  connect(change_, &QCheckBox::toggled, this, &TFrmPasswords::change_toggled);
  connect(hex_, &QRadioButton::toggled, this, &TFrmPasswords::set_format);
  connect(buttons, &QDialogButtonBox::accepted, this, &TFrmPasswords::submit);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int TFrmPasswords::verify(int card_type, int password_number) {
  const std::span<const KeyEntry> entries = key_list(card_type);
  if (password_number > kLargestPasswordNumber || password_number < 0) {
    prompter_.message(this, Prompter::Kind::Error,
                      QStringLiteral("Error: Password Number is too large - %1").arg(password_number));
    return QDialog::Rejected;
  }
  if (entries.empty()) {
    prompter_.message(this, Prompter::Kind::Error, no_function_text());
    return QDialog::Rejected;
  }
  // A number the card type has no entry for: there is nothing to select or to send.
  if (password_number >= static_cast<int>(entries.size())) {
    prompter_.message(this, Prompter::Kind::Error,
                      QStringLiteral("Error: Password Number is too large - %1").arg(password_number));
    return QDialog::Rejected;
  }

  entries_.assign(entries.begin(), entries.end());
  key_names_->clear();
  for (const KeyEntry& entry : entries_) key_names_->addItem(QLatin1String(entry.text));
  key_names_->setCurrentIndex(password_number);

  const bool changeable = command_offered(card_type, QXI_ChangePIN);
  new_value_group_->setEnabled(changeable);
  new_value_label_->setEnabled(changeable);
  change_->setEnabled(changeable);
  // The type is remembered first: unchecking must not warn about the previous card's passwords.
  card_type_ = card_type;
  change_->setChecked(false);
  new_value_->setEnabled(false);
  load_entry(password_number);

  value_->setFocus();
  setResult(QDialog::Rejected);
  const int result = prompter_.exec(*this);
  setResult(result);
  return result;
}

void TFrmPasswords::load_entry(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  const int length = entries_[static_cast<size_t>(index)].length;
  for (THexEdit* field : {value_, new_value_}) {
    field->SetBufferLen(length);
    field->SetBuffer(key_memory_.slot(index).first(static_cast<size_t>(length)));
  }
}

void TFrmPasswords::change_toggled(bool checked) {
  new_value_->setEnabled(checked);
  if (checked && card_type_ == kX76F100 && key_names_->currentIndex() == 1) {
    prompter_.message(this, Prompter::Kind::Information,
                      QStringLiteral("For the changing of X76F041's read password, write password must be presented"));
  }
}

void TFrmPasswords::set_format(bool hex) {
  const THexEdit::TValidEditMode mode = hex ? THexEdit::dtHex : THexEdit::dtAscii;
  value_->SetEditMode(mode);
  new_value_->SetEditMode(mode);
}

// OK: the value is presented, then, when asked, changed. The X76F100 changes its read password
// under the write password, so for that change the typed value is presented as password 0.
void TFrmPasswords::submit() {
  const int selected = key_names_->currentIndex();
  if (selected < 0) return;
  const bool change = change_->isChecked();
  const int presented = card_type_ == kX76F100 && change ? 0 : selected;
  if (!verify_on_card(presented)) return;
  // The slot of the password the card accepted: with the X76F100's change that is the write
  // password, not the read password whose entry is selected.
  key_memory_.store(presented, value_->GetBuffer());
  if (change) {
    if (!change_on_card(selected)) return;
    key_memory_.store(selected, new_value_->GetBuffer());
  }
  accept();
}

bool TFrmPasswords::verify_on_card(int number) {
  int32_t result = send_memory_command(binding_, {QXI_Verify, static_cast<uint8_t>(number), 0, value_->GetBuffer(), 0});
  const QX_APDU& reply = binding_.exchange_record();
  std::optional<CounterReading> counter;
  if (result >= 0 && reply.Le >= 1) counter = read_error_counter(card_type_, reply.DataOut[0]);
  const bool chances_known = counter && counter->wrong;
  if (chances_known) result = QX_ERR_NO_PASSWORD;
  if (result >= 0) return true;

  if (result == QX_ERR_NO_PASSWORD && chances_known) {
    refuse(QStringLiteral("Incorrect Password ! Remaining chances = %1").arg(counter->chances));
  } else if (result == QX_ERR_NO_PASSWORD) {
    refuse(QStringLiteral("Incorrect Password !!!"));
  } else if (result == QX_ERR_STATUS_6705) {
    refuse(QStringLiteral("Secret code is locked !!!"));
  } else {
    refuse(QStringLiteral("Unexpected error. QXI_Verify return %1").arg(result));
  }
  return false;
}

bool TFrmPasswords::change_on_card(int number) {
  const int32_t result =
      send_memory_command(binding_, {QXI_ChangePIN, static_cast<uint8_t>(number), 0, new_value_->GetBuffer(), 0});
  if (result >= 0) return true;
  prompter_.message(this, Prompter::Kind::Error, QStringLiteral("Unexpected error. QXI_ChangePIN retrun %1").arg(result));
  return false;
}

void TFrmPasswords::refuse(const QString& text) {
  prompter_.message(this, Prompter::Kind::Error, text);
  value_->setFocus();
}

}  // namespace kestrel
