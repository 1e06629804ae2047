#include "vela1pro.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "HexBytes.h"
#include "Prompter.h"
#include "Vela1Text.h"
#include "keys.h"
#include "vela1.h"

namespace kestrel {

// One purse transaction button: the key it asks for, the operation it runs and how the card's
// refusal of the amount reads.
struct PurseTransaction {
  const char* caption;
  const char* name;
  uint8_t purse_key;
  bool ask_only_with_mac_checking;  // otherwise the key is always asked for
  const char* key_name;
  void (Vela1::*operation)(const Key&, const Reference&, int32_t);
  const char* amount_refused;  // the message for status 6B20; nullptr: as any other status
  bool adds_balance;           // the amount sent is "Amount:" plus the current balance
};

namespace {

constexpr uint16_t kStatusAmountRefused = 0x6B20;
constexpr int32_t kLargestAmount = 0xFFFFFF;  // the purse's amounts travel in 3 bytes
constexpr uint8_t kInquiryKeyReference = 1;

// Option register bits the dialog acts on.
constexpr int kOptionPurse = 0;
constexpr int kOptionMacChecking = 3;
constexpr int kOptionRevokeAllowed = 5;

constexpr uint8_t kLastDebit = 1;
constexpr uint8_t kLastRevokeDebit = 2;
constexpr uint8_t kLastCredit = 3;

struct BitCaption {
  int bit;
  const char* caption;
  const char* name;
};

constexpr BitCaption kOptions[] = {
    {0, "Have E-Purse", "optionPurse"},
    {2, "CHANGE PIN is allowed", "optionChangePin"},
    {3, "MAC checking", "optionMacChecking"},
    {4, "Debit require PIN", "optionDebitPin"},
    {5, "REVOKE DEBIT is allowed", "optionRevokeDebit"},
    {6, "Require authentication", "optionAuthentication"},
    {7, "Inquire need authentication", "optionInquireAuthentication"},
};

// The codes that travel enciphered (security option register).
constexpr BitCaption kSecureTransmission[] = {
    {7, "IC", "IC"},   {6, "PIN", "PIN"}, {1, "AC1", "AC1"}, {2, "AC2", "AC2"},
    {3, "AC3", "AC3"}, {4, "AC4", "AC4"}, {5, "AC5", "AC5"},
};

// The codes a file access needs (security attribute).
constexpr BitCaption kAttribute[] = {
    {7, "IC", "IC"},   {6, "PIN", "PIN"}, {0, "AC0", "AC0"}, {1, "AC1", "AC1"},
    {2, "AC2", "AC2"}, {3, "AC3", "AC3"}, {4, "AC4", "AC4"}, {5, "AC5", "AC5"},
};

struct Phase {
  char stage;
  const char* caption;
};
constexpr Phase kPhases[] = {{'M', "Manufactuer"}, {'P', "Personalization"}, {'U', "User"}};

const PurseTransaction kDebit{"Debit",          "debit", TFrmKeys::kPurseKeyKd, true, "Kd", &Vela1::debit,
                              "Not enough balance to debit", false};
const PurseTransaction kCredit{"Credit",           "credit", TFrmKeys::kPurseKeyKcr, false, "Kcr", &Vela1::credit,
                               "Amount is over the maximum limit", false};
const PurseTransaction kRevoke{"Revoke", "revoke", TFrmKeys::kPurseKeyKrd, false, "Krd", &Vela1::revoke_debit,
                               nullptr,  true};

QString four_bytes(const std::array<uint8_t, 4>& bytes) { return QString::fromStdString(hex_bytes_joined(bytes)); }

QString last_transaction_text(uint8_t type) {
  switch (type) {
    case kLastCredit: return QStringLiteral("Credit");
    case kLastDebit: return QStringLiteral("Debit");
    case kLastRevokeDebit: return QStringLiteral("Revoke Debit");
    default: return QString::fromStdString(hex_byte(type)) + QStringLiteral(" - Unknown");
  }
}

QLineEdit* read_only_field(const QString& name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setReadOnly(true);
  return field;
}

QPushButton* button(const QString& caption, const QString& name, QWidget* parent) {
  auto* pushed = new QPushButton(caption, parent);
  pushed->setObjectName(name);
  return pushed;
}

}  // namespace

TFrmVELA1Prop::TFrmVELA1Prop(Vela1& vela1, TFrmKeys& keys, Prompter& prompter, QWidget* parent)
    : QDialog(parent), vela1_(vela1), keys_(keys), prompter_(prompter), pages_(new QTabWidget(this)) {
  setWindowTitle(QStringLiteral("VELA1 Properties"));
  pages_->setObjectName(QStringLiteral("pages"));
  pages_->addTab(create_card_settings_page(), QStringLiteral("Card Settings"));
  pages_->addTab(create_user_files_page(), QStringLiteral("User Files"));
  pages_->addTab(create_purse_page(), QStringLiteral("Electronics Purse"));

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = button(QStringLiteral("OK"), QStringLiteral("ok"), this);
  ok->setDefault(true);
  buttons->addButton(ok, QDialogButtonBox::AcceptRole);
  buttons->addButton(button(QStringLiteral("Cancel"), QStringLiteral("cancel"), this), QDialogButtonBox::RejectRole);
  // Help has no action of its own.
  buttons->addButton(button(QStringLiteral("&Help"), QStringLiteral("help"), this), QDialogButtonBox::HelpRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons);
  guard_ = true;
}

QCheckBox* TFrmVELA1Prop::display_box(const QString& caption, const QString& name, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  // The boxes only show the card: a click by the user is undone at once.
  connect(box, &QCheckBox::toggled, this, [this, box](bool checked) {
    if (!guard_) return;
    const QScopedValueRollback<bool> undoing(guard_, false);
    box->setChecked(!checked);
  });
  return box;
}

QWidget* TFrmVELA1Prop::create_card_settings_page() {
  auto* page = new QWidget;
  auto* options = new QGroupBox(QStringLiteral("Card Options"), page);
  options->setObjectName(QStringLiteral("cardOptions"));
  auto* option_layout = new QVBoxLayout(options);
  for (const BitCaption& option : kOptions) {
    QCheckBox* box = display_box(QLatin1String(option.caption), QLatin1String(option.name), options);
    option_layout->addWidget(box);
    option_boxes_.push_back({box, option.bit});
  }

  auto* secure = new QGroupBox(QStringLiteral("Secure Transmission"), page);
  secure->setObjectName(QStringLiteral("secureTransmission"));
  auto* secure_layout = new QVBoxLayout(secure);
  for (const BitCaption& code : kSecureTransmission) {
    QCheckBox* box = display_box(QLatin1String(code.caption), QLatin1String(code.name), secure);
    secure_layout->addWidget(box);
    secure_boxes_.push_back({box, code.bit});
  }

  number_of_files_ = read_only_field(QStringLiteral("numberOfFiles"), page);
  phases_ = new QListWidget(page);
  phases_->setObjectName(QStringLiteral("phases"));
  for (const Phase& phase : kPhases) phases_->addItem(QLatin1String(phase.caption));
  // Like the boxes, the list only shows the card's phase: another row chosen is undone as soon as
  // the list has finished taking the click or the key.
  connect(phases_, &QListWidget::currentRowChanged, this, [this] {
    if (!guard_) return;
    QMetaObject::invokeMethod(this, [this] {
      const QScopedValueRollback<bool> undoing(guard_, false);
      show_phase();
    }, Qt::QueuedConnection);
  });
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Number of files:"), number_of_files_);
  form->addRow(QStringLiteral("Phases:"), phases_);

  auto* layout = new QGridLayout(page);
  layout->addWidget(options, 0, 0, 2, 1);
  layout->addWidget(secure, 0, 1);
  layout->addLayout(form, 1, 1);
  return page;
}

QWidget* TFrmVELA1Prop::create_user_files_page() {
  auto* page = new QWidget;
  user_files_ = new QListWidget(page);
  user_files_->setObjectName(QStringLiteral("userFiles"));
  connect(user_files_, &QListWidget::currentRowChanged, this, &TFrmVELA1Prop::user_file_selected);
  auto* list_layout = new QVBoxLayout;
  list_layout->addWidget(new QLabel(QStringLiteral("User File ID:"), page));
  list_layout->addWidget(user_files_);

  auto* attributes = new QGroupBox(QStringLiteral("File Attributes"), page);
  record_size_ = read_only_field(QStringLiteral("recordSize"), attributes);
  record_total_ = read_only_field(QStringLiteral("recordTotal"), attributes);
  auto* sizes = new QFormLayout;
  sizes->addRow(QStringLiteral("Rec. size :"), record_size_);
  sizes->addRow(QStringLiteral("Rec. total:"), record_total_);
  auto* access = new QHBoxLayout;
  for (auto [title, boxes] : {std::pair{"Read", &read_boxes_}, std::pair{"Update", &update_boxes_}}) {
    auto* group = new QGroupBox(QLatin1String(title), attributes);
    group->setObjectName(QString::fromLatin1(title).toLower());
    auto* group_layout = new QVBoxLayout(group);
    for (const BitCaption& code : kAttribute) {
      QCheckBox* box = display_box(QLatin1String(code.caption), QLatin1String(code.name), group);
      group_layout->addWidget(box);
      boxes->push_back({box, code.bit});
    }
    access->addWidget(group);
  }
  auto* attribute_layout = new QVBoxLayout(attributes);
  attribute_layout->addLayout(sizes);
  attribute_layout->addLayout(access);

  // Files are neither created nor deleted here: the buttons stay disabled.
  auto* files = new QGroupBox(QStringLiteral("User Files"), page);
  auto* files_layout = new QHBoxLayout(files);
  for (auto [caption, name] : {std::pair{"New", "newFile"}, std::pair{"Delete", "deleteFile"}})
    files_layout->addWidget(button(QLatin1String(caption), QLatin1String(name), files));
  auto* account = new QGroupBox(QStringLiteral("Account File"), page);
  auto* account_layout = new QHBoxLayout(account);
  account_layout->addWidget(button(QStringLiteral("Add"), QStringLiteral("addAccount"), account));

  auto* layout = new QGridLayout(page);
  layout->addLayout(list_layout, 0, 0, 3, 1);
  layout->addWidget(attributes, 0, 1);
  layout->addWidget(files, 1, 1);
  layout->addWidget(account, 2, 1);
  return page;
}

QWidget* TFrmVELA1Prop::create_purse_page() {
  purse_page_ = new QWidget;
  auto* information = new QGroupBox(QStringLiteral("Purse Information"), purse_page_);
  auto* shown = new QFormLayout(information);
  const std::pair<QLineEdit**, std::pair<const char*, const char*>> fields[] = {
      {&balance_, {"Current Balance:", "balance"}},
      {&last_transaction_, {"Last Transaction:", "lastTransaction"}},
      {&transaction_counter_, {"Transacation counter:", "transactionCounter"}},
      {&maximum_balance_, {"Maximum Balance:", "maximumBalance"}},
      {&purse_id_, {"Purse ID:", "purseId"}},
      {&credit_reference_, {"Credit ref no.:", "creditReference"}},
      {&debit_reference_, {"Debit ref. no.:", "debitReference"}},
  };
  for (const auto& [field, text] : fields) {
    *field = read_only_field(QLatin1String(text.second), information);
    // Wide enough for "Revoke Debit" and for four bytes in hexadecimal.
    (*field)->setMinimumWidth((*field)->fontMetrics().horizontalAdvance(QStringLiteral("00 00 00 00 00")));
    shown->addRow(QLatin1String(text.first), *field);
  }

  auto* payment = new QGroupBox(QStringLiteral("Payment Transaction"), purse_page_);
  amount_ = new QLineEdit(QStringLiteral("10"), payment);
  amount_->setObjectName(QStringLiteral("amount"));
  reference_ = new QLineEdit(QStringLiteral("XXXX"), payment);
  reference_->setObjectName(QStringLiteral("reference"));
  reference_->setMaxLength(static_cast<int>(Reference{}.size()));
  auto* entries = new QFormLayout;
  entries->addRow(QStringLiteral("Amount:"), amount_);
  entries->addRow(QStringLiteral("Ref:."), reference_);

  auto* actions = new QHBoxLayout;
  for (const PurseTransaction* transaction : {&kDebit, &kCredit}) {
    QPushButton* pushed = button(QLatin1String(transaction->caption), QLatin1String(transaction->name), payment);
    connect(pushed, &QPushButton::clicked, this, [this, transaction] { run(*transaction); });
    actions->addWidget(pushed);
  }
  QPushButton* inquiry = button(QStringLiteral("Inquire"), QStringLiteral("inquire"), payment);
  connect(inquiry, &QPushButton::clicked, this, &TFrmVELA1Prop::inquire);
  actions->addWidget(inquiry);
  revoke_ = button(QLatin1String(kRevoke.caption), QLatin1String(kRevoke.name), payment);
  connect(revoke_, &QPushButton::clicked, this, [this] { run(kRevoke); });
  actions->addWidget(revoke_);

  auto* payment_layout = new QVBoxLayout(payment);
  payment_layout->addLayout(entries);
  payment_layout->addLayout(actions);
  payment_layout->addStretch(1);

  auto* layout = new QHBoxLayout(purse_page_);
  layout->addWidget(information);
  layout->addWidget(payment);
  return purse_page_;
}

void TFrmVELA1Prop::showEvent(QShowEvent* event) {
  fill();
  QDialog::showEvent(event);
}

void TFrmVELA1Prop::show_bits(const std::vector<BitBox>& boxes, uint8_t value) {
  for (const BitBox& shown : boxes) shown.box->setChecked(has_bit(value, shown.bit));
}

void TFrmVELA1Prop::fill() {
  const QScopedValueRollback<bool> filling(guard_, false);
  const Vela1Card& card = vela1_.card();
  show_bits(option_boxes_, card.option_register);
  show_bits(secure_boxes_, card.security_option_register);
  number_of_files_->setText(QString::number(card.user_file_count));
  show_phase();

  user_files_->clear();
  const int32_t listed = vela1_.listed_user_files();
  for (int32_t i = 0; i < listed; ++i) user_files_->addItem(file_identifier_text(card.files[static_cast<size_t>(i)].identifier));
  for (const char* name : {"newFile", "deleteFile", "addAccount"})
    findChild<QPushButton*>(QLatin1String(name))->setEnabled(false);

  const bool purse = has_bit(card.option_register, kOptionPurse);
  if (purse) fill_purse();
  pages_->setTabVisible(ElectronicsPurse, purse);
}

void TFrmVELA1Prop::show_phase() {
  const auto* phase = std::ranges::find(kPhases, vela1_.card().stage, &Phase::stage);
  phases_->setCurrentRow(phase != std::end(kPhases) ? static_cast<int>(phase - std::begin(kPhases)) : -1);
}

void TFrmVELA1Prop::fill_purse() {
  const Vela1Card& card = vela1_.card();
  balance_->setText(QString::number(card.balance));
  transaction_counter_->setText(QString::number(card.transaction_counter));
  maximum_balance_->setText(QString::number(card.maximum_balance));
  last_transaction_->setText(last_transaction_text(card.last_transaction_type));
  purse_id_->setText(four_bytes(card.purse_id));
  credit_reference_->setText(four_bytes(card.credit_reference));
  debit_reference_->setText(four_bytes(card.debit_reference));
  revoke_->setEnabled(has_bit(card.option_register, kOptionRevokeAllowed) && card.last_transaction_type == kLastDebit);
}

void TFrmVELA1Prop::user_file_selected(int row) {
  const Vela1Card& card = vela1_.card();
  if (row < 0 || row >= vela1_.listed_user_files()) return;
  const Vela1File& file = card.files[static_cast<size_t>(row)];
  const QScopedValueRollback<bool> filling(guard_, false);
  record_size_->setText(QString::number(file.record_length));
  record_total_->setText(QString::number(file.number_of_records));
  show_bits(read_boxes_, file.read_attribute);
  show_bits(update_boxes_, file.write_attribute);
}

void TFrmVELA1Prop::inquire() {
  vela1_.inquire_account(kInquiryKeyReference);
  fill();
}

// The amount as the card takes it, or nothing when "Amount:" holds no decimal integer or one
// that the purse's 3-byte amount cannot carry: sent cut down it would move another sum.
std::optional<int32_t> TFrmVELA1Prop::amount_to_send(const PurseTransaction& transaction) const {
  bool number = false;
  const int typed = amount_->text().toInt(&number, 10);
  if (!number || typed < 0 || typed > kLargestAmount) return std::nullopt;
  const int64_t amount = int64_t{typed} + (transaction.adds_balance ? vela1_.card().balance : 0);
  if (amount < 0 || amount > kLargestAmount) return std::nullopt;
  return static_cast<int32_t>(amount);
}

// A purse transaction: the purse key through Submit Keys, then the operation, retried for as long
// as the user corrects the key the card refused.
void TFrmVELA1Prop::run(const PurseTransaction& transaction) {
  keys_.set_required(0, transaction.purse_key);
  const bool ask = !transaction.ask_only_with_mac_checking ||
                   has_bit(vela1_.card().option_register, kOptionMacChecking);
  if (ask && keys_.submit_keys() != QDialog::Accepted) return;
  for (;;) {
    const std::optional<int32_t> amount = amount_to_send(transaction);
    if (!amount) {
      prompter_.beep();
      amount_->setFocus();
      return;
    }
    (vela1_.*transaction.operation)(keys_.key(transaction.key_name), typed_bytes<Reference{}.size()>(reference_->text()), *amount);
    const uint16_t status = vela1_.last_status();
    if (status == kStatusOk) {
      inquire();
      return;
    }
    if (status == kStatusAmountRefused && transaction.amount_refused != nullptr) {
      prompter_.message(this, Prompter::Kind::Error, QLatin1String(transaction.amount_refused));
      return;
    }
    // Shows the card's answer in Submit Keys; the user corrects the key or gives up.
    keys_.show_error(keys_.field(transaction.key_name));
    if (keys_.result() != QDialog::Accepted) return;
  }
}

}  // namespace kestrel
