#include "ComPort.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
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

// What a failed open's code says about the reader.
const char* open_failure_meaning(int32_t result) {
  switch (result) {
    case kNoReaderLibrary: return "the reader library cannot be loaded";
    case QX_ERR_BAD_PORT_NUMBER: return "there is no such port";
    case QX_ERR_NO_HANDLE: return "every reader handle is in use";
    case QX_ERR_TIMEOUT: return "no reader answers on this port, or the port cannot be opened";
    case QX_ERR_NO_THREAD: return "the library could not start its listener";
    case QX_ERR_NO_KEYBOARD_PORT: return "the keyboard port cannot be reached";
    default: return "the reader did not answer as expected";
  }
}

// The busy cursor for as long as the library looks for a reader. The event loop runs once first
// (input left out) so that the window shows it before the library blocks.
class BusyCursor {
 public:
  BusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
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
      readers_(drop_down_list(kReaders, this)),
      reason_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Reader Configuration"));
  reason_->setObjectName(QStringLiteral("reason"));
  reason_->setWordWrap(true);
  reason_->hide();
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
  layout->addWidget(reason_);
  layout->addSpacing(8);
  layout->addWidget(buttons);
}

int TFrmComPort::open_or_ask(int32_t& reader_index, int32_t& port_index, bool always_ask) {
  readers_->setCurrentIndex(reader_index);
  ports_->setCurrentIndex(port_index);
  reason_->clear();
  reason_->hide();
  if (!always_ask) {
    const int32_t opened = apply();
    if (opened >= 0) return QDialog::Accepted;
    // Asked because the stored choice failed: the dialog says why.
    reason_->setText(open_failure_text(opened));
    reason_->show();
  }
  setResult(QDialog::Rejected);
  const int result = prompter_.exec(*this);
  reader_index = readers_->currentIndex();
  port_index = ports_->currentIndex();
  return result;
}

int32_t TFrmComPort::apply() {
  const int32_t reader_type = code_of(kReaders, readers_->currentIndex());
  const int32_t port = code_of(kPorts, ports_->currentIndex());
  const BusyCursor busy;
  binding_.close();
  return binding_.open(reader_type, port);
}

QString TFrmComPort::reason() const { return reason_->isHidden() ? QString() : reason_->text(); }

void TFrmComPort::ok_clicked() {
  const int32_t result = apply();
  if (result < 0) {
    reason_->setText(open_failure_text(result));
    reason_->show();
    prompter_.message(this, Prompter::Kind::Error, QStringLiteral("No reader detected (%1)").arg(result));
    return;
  }
  accept();
}

QString open_failure_text(int32_t result) {
  return QStringLiteral("No reader detected (%1): %2").arg(result).arg(QLatin1String(open_failure_meaning(result)));
}

}  // namespace kestrel
