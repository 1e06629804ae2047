#include "keys.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <span>

#include "Prompter.h"
#include "Vela1Text.h"

namespace kestrel {
namespace {

constexpr int kKeyLength = 8;
constexpr char kDefaultKey[] = "58203716";
constexpr uint16_t kStatusLocked = 0x6983;
constexpr uint16_t kStatusNoAuthentication = 0x6985;

struct KeyField {
  const char* name;  // as stored in the settings
  const char* caption;
};

struct KeyGroup {
  const char* title;
  std::span<const KeyField> fields;
};

constexpr KeyField kAuthenticationKeys[] = {{"Kc", "Kc :"}, {"Kt", "Kt :"}};
constexpr KeyField kPurseKeys[] = {{"Kd", "Kd :"}, {"Kcr", "Kcr :"}, {"Kcf", "Kcf :"}, {"Krd", "Krd :"}};
constexpr KeyField kSystemKey[] = {{"IC", "IC :"}};
constexpr KeyField kUserKeys[] = {{"PIN", "PIN :"}, {"AC1", "AC1 :"}, {"AC2", "AC2 :"},
                                  {"AC3", "AC3 :"}, {"AC4", "AC4 :"}, {"AC5", "AC5 :"}};

constexpr KeyGroup kGroups[] = {
    {"Authentication Keys", kAuthenticationKeys},
    {"Purse Keys", kPurseKeys},
    {"System Key", kSystemKey},
    {"User Keys", kUserKeys},
};

// The codes in the order they are submitted, with their code reference (also their bit in a
// security attribute and in the security option register).
struct CodeField {
  const char* name;
  int reference;
};
constexpr CodeField kCodes[] = {{"IC", kCodeIc},      {"PIN", kCodePin},     {"AC1", kCodeAc1},     {"AC2", kCodeAc1 + 1},
                                {"AC3", kCodeAc1 + 2}, {"AC4", kCodeAc1 + 3}, {"AC5", kCodeAc1 + 4}};
constexpr const char* kPurseKeyNames[] = {"Kd", "Kcr", "Kcf", "Krd"};  // bits 0 to 3

QString refusal_text(uint16_t status) {
  if (status >= 0x63C1 && status <= 0x63CE)
    return QStringLiteral("Key is not correct , remaining chance = %1").arg(status & 7);
  if (status == kStatusLocked) return QStringLiteral("Key is locked");
  if (status == kStatusNoAuthentication) return QStringLiteral("No authentication before");
  return QStringLiteral("Error : SW1 SW2 = %1").arg(QString::number(status, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

void set_text_colour(QLineEdit& field, Qt::GlobalColor colour) {
  QPalette palette = field.palette();
  palette.setColor(QPalette::Text, colour);
  field.setPalette(palette);
}

QLabel* legend(const QString& text, const char* colour, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(colour)));
  return label;
}

}  // namespace

TFrmKeys::TFrmKeys(Vela1& vela1, Prompter& prompter, QWidget* parent)
    : QDialog(parent), vela1_(vela1), prompter_(prompter), message_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Submit Keys"));
  message_->setObjectName(QStringLiteral("message"));

  auto* groups = new QGridLayout;
  for (size_t g = 0; g < std::size(kGroups); ++g) {
    auto* box = new QGroupBox(QLatin1String(kGroups[g].title), this);
    auto* form = new QFormLayout(box);
    for (const KeyField& key : kGroups[g].fields) {
      auto* field = new QLineEdit(QLatin1String(kDefaultKey), box);
      field->setObjectName(QLatin1String(key.name));
      field->setMaxLength(kKeyLength);
      form->addRow(QLatin1String(key.caption), field);
      fields_[key.name] = field;
    }
    groups->addWidget(box, static_cast<int>(g / 2), static_cast<int>(g % 2));
  }

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("Cancel"));
  ok->setDefault(true);
  ok->setObjectName(QStringLiteral("OK"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TFrmKeys::submit);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* legends = new QHBoxLayout;
  legends->addWidget(legend(QStringLiteral("Red : CiperText "), "red", this));
  legends->addWidget(legend(QStringLiteral("Green : PlainText"), "green", this));
  legends->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(message_);
  layout->addLayout(groups);
  layout->addLayout(legends);
  layout->addWidget(buttons);
}

QLineEdit& TFrmKeys::field(const std::string& name) const { return *fields_.at(name); }

QString TFrmKeys::text(const std::string& name) const { return field(name).text(); }

void TFrmKeys::set_text(const std::string& name, const QString& text) { field(name).setText(text); }

Key TFrmKeys::key(const std::string& name) const { return typed_bytes<kKeyLength>(text(name)); }

QString TFrmKeys::message() const { return message_->text(); }

void TFrmKeys::set_required(uint8_t codes, uint8_t purse_keys) {
  required_codes_ = codes;
  required_purse_keys_ = purse_keys;
}

int TFrmKeys::submit_keys() {
  message_->clear();
  if (required_purse_keys_ == 0) {
    if (required_codes_ == 0) return QDialog::Accepted;
    if (required_codes_ == kNeverAllowed) {
      prompter_.message(this, Prompter::Kind::Error, QStringLiteral("Access operation is not allowed"));
      return QDialog::Rejected;
    }
  }
  return run_modal();
}

int TFrmKeys::run_modal(QLineEdit* focus) {
  prepare_fields();
  if (focus != nullptr) focus->setFocus();
  const int result = prompter_.exec(*this);
  setResult(result);
  return result;
}

void TFrmKeys::prepare_fields() {
  const Vela1Card& card = vela1_.card();
  for (const CodeField& code : kCodes) {
    QLineEdit& line = field(code.name);
    line.setEnabled(has_bit(required_codes_, code.reference));
    // Red: the code travels enciphered under the session key.
    set_text_colour(line, has_bit(card.security_option_register, code.reference) ? Qt::red : Qt::darkGreen);
  }
  for (int bit = 0; bit < static_cast<int>(std::size(kPurseKeyNames)); ++bit)
    field(kPurseKeyNames[bit]).setEnabled(has_bit(required_purse_keys_, bit));

  const bool authentication = (card.security_option_register & required_codes_) != 0 ||
                              has_bit(card.option_register, 6) || has_bit(card.option_register, 7);
  const bool enable_keys = authentication && !card.session_key_valid;
  field("Kc").setEnabled(enable_keys);
  field("Kt").setEnabled(enable_keys);
}

// OK: authenticate when asked to, then present the codes in order. Any refusal keeps the dialog
// open with the card's answer, for the user to correct the key or give up.
void TFrmKeys::submit() {
  QLineEdit& kc = field("Kc");
  if (kc.isEnabled()) {
    vela1_.mutual_authentication(key("Kc"), key("Kt"));
    if (show_error(field("Kt"))) return;
    if (!vela1_.card().session_key_valid) {
      prompter_.beep();
      message_->setText(QStringLiteral("Kc is not correct!! Please check..."));
      kc.setFocus();
      return;
    }
  }
  for (const CodeField& code : kCodes) {
    QLineEdit& line = field(code.name);
    if (!line.isEnabled()) continue;
    vela1_.submit_code(code.reference, line.text().toLatin1().toStdString());
    if (show_error(line)) return;
  }
  accept();
}

bool TFrmKeys::show_error(QLineEdit& line) {
  const uint16_t status = vela1_.last_status();
  if (status == kStatusOk) {
    message_->clear();
    return false;
  }
  message_->setText(refusal_text(status));
  prompter_.beep();
  if (isVisible()) {
    line.setFocus();
  } else {
    run_modal(&line);
  }
  return true;
}

}  // namespace kestrel
