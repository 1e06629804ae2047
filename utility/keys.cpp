#include "keys.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <span>

namespace kestrel {
namespace {

constexpr int kKeyLength = 8;
constexpr char kDefaultKey[] = "58203716";

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

QLabel* legend(const QString& text, const char* colour, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(colour)));
  return label;
}

}  // namespace

TFrmKeys::TFrmKeys(QWidget* parent) : QDialog(parent), message_(new QLabel(this)) {
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
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
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

}  // namespace kestrel
