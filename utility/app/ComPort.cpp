#include "ComPort.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <span>

namespace kestrel {
namespace {

struct Choice {
  const char* text;
  int32_t code;  // what goes to the binding's open
};

// The keyboard port is the library's port 16.
constexpr Choice kPorts[] = {{"COM1", QX_PORT_COM1}, {"COM2", QX_PORT_COM2}, {"Keyboard interface", QX_PORT_KEYBOARD}};

constexpr Choice kReaders[] = {
    {"KITEA", QX_READER_KITEA},
    {"KITEB (57600bps)", QX_READER_KITEB_57600},
    {"KITEB (19200bps)", QX_READER_KITEB_19200},
    {"KITEB (115200bps)", QX_READER_KITEB_115200},
    {"KITEB (9600bps)", QX_READER_KITEB_9600},
    {"Auto detect", QX_READER_AUTODETECT},
};

// The code of the selected entry; with none selected, -1, which the library refuses.
int32_t code_of(std::span<const Choice> choices, int index) {
  return index >= 0 && index < static_cast<int>(choices.size()) ? choices[index].code : -1;
}

QComboBox* drop_down_list(std::span<const Choice> choices, QWidget* parent) {
  auto* list = new QComboBox(parent);
  for (const Choice& choice : choices) list->addItem(QLatin1String(choice.text));
  return list;
}

}  // namespace

TFrmComPort::TFrmComPort(Kiteb& binding, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      binding_(binding),
      prompter_(prompter),
      ports_(drop_down_list(kPorts, this)),
      readers_(drop_down_list(kReaders, this)) {
  setWindowTitle(QStringLiteral("Reader Configuration"));
  ports_->setObjectName(QStringLiteral("ports"));
  readers_->setObjectName(QStringLiteral("readers"));

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  ok->setObjectName(QStringLiteral("ok"));
  cancel->setObjectName(QStringLiteral("cancel"));
  ok->setDefault(true);
  // OK closes the dialog only when the reader opens.
  connect(ok, &QPushButton::clicked, this, &TFrmComPort::ok_clicked);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Which COM port is the reader connecting to ?"), this));
  layout->addWidget(ports_);
  layout->addWidget(new QLabel(QStringLiteral("What type of reader it is ? "), this));
  layout->addWidget(readers_);
  layout->addSpacing(8);
  layout->addWidget(buttons);
}

int TFrmComPort::open_or_ask(int32_t& reader_index, int32_t& port_index, bool always_ask) {
  readers_->setCurrentIndex(reader_index);
  ports_->setCurrentIndex(port_index);
  if (!always_ask && apply() >= 0) return QDialog::Accepted;
  setResult(QDialog::Rejected);
  const int result = prompter_.exec(*this);
  reader_index = readers_->currentIndex();
  port_index = ports_->currentIndex();
  return result;
}

int32_t TFrmComPort::apply() {
  const int32_t reader_type = code_of(kReaders, readers_->currentIndex());
  const int32_t port = code_of(kPorts, ports_->currentIndex());
  binding_.close();
  return binding_.open(reader_type, port);
}

void TFrmComPort::ok_clicked() {
  const int32_t result = apply();
  if (result < 0) {
    prompter_.message(this, Prompter::Kind::Error, QStringLiteral("No reader detected (%1)").arg(result));
    return;
  }
  accept();
}

}  // namespace kestrel
