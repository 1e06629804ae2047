#include "Special.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <vector>

#include "ByteField.h"
#include "DialogParts.h"
#include "HexEdit.h"
#include "MemoryCommand.h"
#include "Prompter.h"
#include "kiteb.h"

namespace kestrel {

// The pages a card type shows, one bit per page, and the one it opens on.
struct SpecialPages {
  int card_type;
  TFrmSpecial::Page active;
  unsigned shown;
};

namespace {

constexpr unsigned page_bit(TFrmSpecial::Page page) { return 1U << page; }

constexpr unsigned kAuthenticationOnly = page_bit(TFrmSpecial::Authentication);
constexpr unsigned kFusePin = page_bit(TFrmSpecial::SetFuse);
constexpr unsigned kFusePinAndFuse = page_bit(TFrmSpecial::SetFuse) | page_bit(TFrmSpecial::BlowFuse);
constexpr unsigned kReactivateOnly = page_bit(TFrmSpecial::Reactivate);

constexpr SpecialPages kCardPages[] = {
    {QX_CARD_LM221, TFrmSpecial::Authentication, kAuthenticationOnly},
    {QX_CARD_ST1335, TFrmSpecial::Authentication, kAuthenticationOnly},
    {QX_CARD_ST1333, TFrmSpecial::Authentication, kAuthenticationOnly},
    {QX_CARD_SLE4404, TFrmSpecial::SetFuse, kFusePin},
    {QX_CARD_GPM896, TFrmSpecial::SetFuse, kFusePin},
    {QX_CARD_AT101, TFrmSpecial::SetFuse, kFusePinAndFuse},
    {QX_CARD_AT102, TFrmSpecial::SetFuse, kFusePinAndFuse},
    {QX_CARD_AT1604, TFrmSpecial::SetFuse, kFusePinAndFuse},
    {QX_CARD_X76F128, TFrmSpecial::Reactivate, kReactivateOnly},
    {QX_CARD_X76F640, TFrmSpecial::Reactivate, kReactivateOnly},
};

// The LM221 is challenged with six bytes, a key number and a clock pulse count, and answers two
// certificate bytes; the ST cards take four bytes and answer one.
constexpr int kKeyedChallengeLength = 6;
constexpr int kKeyedCertificateLength = 2;
constexpr int kPlainChallengeLength = 4;
constexpr int kPlainCertificateLength = 1;

constexpr int kResetPasswordLength = 8;

struct FusePin {
  const char* caption;
  const char* name;
  uint8_t p1;
};
constexpr FusePin kFusePins[] = {{"High", "high", 0x01}, {"Low", "low", 0xFF}, {"High impedance", "highImpedance", 0x00}};

const SpecialPages* pages_of(int card_type) {
  const auto* found = std::ranges::find(kCardPages, card_type, &SpecialPages::card_type);
  return found != std::end(kCardPages) ? found : nullptr;
}

bool keyed(int card_type) { return card_type == QX_CARD_LM221; }

// Upper-case hexadecimal digits without leading zeros.
QString hex_digits(uint8_t byte) { return QString::number(byte, 16).toUpper(); }

// The byte the field shows; nothing while its text is no byte (the field has told the user so).
std::optional<uint8_t> shown_byte(ByteField& field) {
  bool is_number = false;
  const uint value = field.hex().text().toUInt(&is_number, 16);
  if (!is_number || value > 0xFF) return std::nullopt;
  return static_cast<uint8_t>(value);
}

QPushButton* button(const QString& caption, const QString& name, QWidget* parent) {
  auto* pushed = new QPushButton(caption, parent);
  pushed->setObjectName(name);
  return pushed;
}

}  // namespace

TFrmSpecial::TFrmSpecial(Kiteb& binding, Prompter& prompter, QWidget* parent)
    : QDialog(parent), binding_(binding), prompter_(prompter), pages_(new QTabWidget(this)) {
  setWindowTitle(QStringLiteral("Special functions"));
  pages_->setObjectName(QStringLiteral("pages"));
  pages_->addTab(create_authentication_page(), QStringLiteral("Authentication"));
  pages_->addTab(create_set_fuse_page(), QStringLiteral("Set Fuse"));
  pages_->addTab(create_blow_fuse_page(), QStringLiteral("Blow Fuse"));
  pages_->addTab(create_reactivate_page(), QStringLiteral("Reactivate"));

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* exit = buttons->addButton(QStringLiteral("Exit"), QDialogButtonBox::AcceptRole);
  exit->setObjectName(QStringLiteral("Exit"));
  exit->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons);
}

QWidget* TFrmSpecial::create_authentication_page() {
  auto* page = new QWidget;
  clk_pulses_ = new ByteField(QStringLiteral("clkPulses"), prompter_, page);
  use_ = new QGroupBox(QStringLiteral("Use"), page);
  use_->setObjectName(QStringLiteral("use"));
  key1_ = new QRadioButton(QStringLiteral("Key1"), use_);
  key1_->setObjectName(QStringLiteral("key1"));
  key1_->setChecked(true);
  key2_ = new QRadioButton(QStringLiteral("Key2"), use_);
  key2_->setObjectName(QStringLiteral("key2"));
  auto* keys = new QHBoxLayout(use_);
  keys->addWidget(key1_);
  keys->addWidget(key2_);
  challenge_ = one_line_hex_field(prompter_, QStringLiteral("challenge"), kKeyedChallengeLength, page);
  certificate_ = new QLabel(QStringLiteral("Certificate:"), page);
  certificate_->setObjectName(QStringLiteral("certificate"));
  QPushButton* authenticate = button(QStringLiteral("Authenticate"), QStringLiteral("authenticate"), page);
  connect(authenticate, &QPushButton::clicked, this, &TFrmSpecial::authenticate);

  authentication_form_ = top_form(page);
  authentication_form_->addRow(QStringLiteral("CLK pulses:"), clk_pulses_);
  authentication_form_->addRow(use_);
  authentication_form_->addRow(QStringLiteral("Challenge data:"), challenge_);
  authentication_form_->addRow(certificate_);
  authentication_form_->addRow(authenticate);
  return page;
}

QWidget* TFrmSpecial::create_set_fuse_page() {
  auto* page = new QWidget;
  auto* pin = new QGroupBox(QStringLiteral("Fuse Pin"), page);
  pin->setObjectName(QStringLiteral("fusePin"));
  auto* pins = new QVBoxLayout(pin);
  for (const FusePin& choice : kFusePins) {
    auto* option = new QRadioButton(QLatin1String(choice.caption), pin);
    option->setObjectName(QLatin1String(choice.name));
    pins->addWidget(option);
    fuse_pins_.push_back(option);
  }
  fuse_pins_.front()->setChecked(true);
  QPushButton* set = button(QStringLiteral("Set Fuse Pin"), QStringLiteral("setFusePin"), page);
  connect(set, &QPushButton::clicked, this, &TFrmSpecial::set_fuse_pin);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(pin);
  layout->addWidget(set);
  layout->addStretch(1);
  return page;
}

// Blowing the fuse cannot be undone: the page only tells what it would do.
QWidget* TFrmSpecial::create_blow_fuse_page() {
  auto* page = new QWidget;
  auto* notice = new QLabel(QStringLiteral("Notice : This operation will blow the fuse on the card permanently"), page);
  notice->setObjectName(QStringLiteral("notice"));
  notice->setWordWrap(true);
  QPushButton* blow = button(QStringLiteral("Blow Fuse"), QStringLiteral("blowFuse"), page);
  blow->setEnabled(false);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(notice);
  layout->addWidget(blow);
  layout->addStretch(1);
  return page;
}

QWidget* TFrmSpecial::create_reactivate_page() {
  auto* page = new QWidget;
  reset_password_ = one_line_hex_field(prompter_, QStringLiteral("resetPassword"), kResetPasswordLength, page);
  result_ = new QLabel(QStringLiteral("None"), page);
  result_->setObjectName(QStringLiteral("result"));
  QPushButton* reactivate = button(QStringLiteral("Reactivate"), QStringLiteral("reactivate"), page);
  connect(reactivate, &QPushButton::clicked, this, &TFrmSpecial::reactivate);

  auto* form = top_form(page);
  form->addRow(QStringLiteral("Reset Password:"), reset_password_);
  form->addRow(QStringLiteral("Result:"), result_);
  form->addRow(reactivate);
  return page;
}

void TFrmSpecial::show_special(int card_type) {
  const SpecialPages* shown = pages_of(card_type);
  if (shown == nullptr) {
    prompter_.message(this, Prompter::Kind::Error, no_function_text());
    return;
  }
  card_type_ = card_type;
  if (shown->active == Authentication) prepare_authentication();
  show_pages(*shown);
  setResult(QDialog::Rejected);
  setResult(prompter_.exec(*this));
}

// The key and the clock pulses are the LM221's alone; the challenge keeps what it holds, cut or
// filled with zeros to the card type's length.
void TFrmSpecial::prepare_authentication() {
  const bool with_key = keyed(card_type_);
  authentication_form_->setRowVisible(clk_pulses_, with_key);
  authentication_form_->setRowVisible(use_, with_key);
  const std::span<const uint8_t> held = challenge_->GetBuffer();
  const std::vector<uint8_t> challenge(held.begin(), held.end());
  challenge_->SetBufferLen(with_key ? kKeyedChallengeLength : kPlainChallengeLength);
  challenge_->SetBuffer(challenge);
}

void TFrmSpecial::show_pages(const SpecialPages& shown) {
  for (int i = 0; i < pages_->count(); ++i) pages_->setTabVisible(i, (shown.shown & page_bit(static_cast<Page>(i))) != 0);
  pages_->setCurrentIndex(shown.active);
}

void TFrmSpecial::authenticate() {
  const bool with_key = keyed(card_type_);
  MemoryCommand command{QXI_Authenticate};
  if (with_key) {
    const std::optional<uint8_t> pulses = shown_byte(*clk_pulses_);
    if (!pulses) {
      prompter_.beep();
      clk_pulses_->hex().setFocus();
      return;
    }
    command.p1 = key2_->isChecked() ? 1 : 0;
    command.p2 = *pulses;
  }
  command.data = challenge_->GetBuffer();
  command.le = with_key ? kKeyedCertificateLength : kPlainCertificateLength;
  const int32_t result = send_memory_command(binding_, command);
  if (result < 0) {
    prompter_.message(this, Prompter::Kind::Error,
                      QStringLiteral("Error:Unexpected error. QXI_Authenticate return %1").arg(result));
    certificate_->setText(QStringLiteral("Certificate : Error"));
    return;
  }
  if (with_key) {
    certificate_->setText(QStringLiteral("Certificate = %1 %2")
                              .arg(hex_digits(reply_byte(binding_, 0)), hex_digits(reply_byte(binding_, 1))));
  } else {
    certificate_->setText(QStringLiteral("Certificate = %1").arg(hex_digits(reply_byte(binding_, 0))));
  }
}

void TFrmSpecial::set_fuse_pin() {
  const auto chosen = std::ranges::find_if(fuse_pins_, &QRadioButton::isChecked);
  if (chosen == fuse_pins_.end()) return;
  const uint8_t pin = kFusePins[chosen - fuse_pins_.begin()].p1;
  const int32_t result = send_memory_command(binding_, {QXI_SetFuse, pin});
  if (result < 0) {
    prompter_.message(this, Prompter::Kind::Error,
                      QStringLiteral("Error:Unexpected error. QXI_SetFuse return %1").arg(result));
  }
}

void TFrmSpecial::reactivate() {
  const int32_t result =
      send_memory_command(binding_, {QXI_Reactivate, 0, 0, reset_password_->GetBuffer()});
  if (result >= 0) {
    result_->setText(QStringLiteral("OK"));
  } else if (result == QX_ERR_NO_PASSWORD) {
    result_->setText(QStringLiteral("Incorrect Password!!!"));
  } else {
    result_->setText(QStringLiteral("Error: QXI_Reactivate return %1").arg(result));
  }
}

}  // namespace kestrel
