#include "read.h"

#include <QDialogButtonBox>

#include "DialogParts.h"
#include "HexEdit.h"
#include "Prompter.h"

namespace kestrel {

TFrmRead::TFrmRead(Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter), address_(one_line_hex_field(prompter, QStringLiteral("address"), 2, this)) {
  setWindowTitle(QStringLiteral("Read"));
  QDialogButtonBox* buttons = lay_out_one_field(*this, QStringLiteral("Starting Address:"), address_);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

int TFrmRead::ask_address(int, int& address) {
  address_->SetBufferLen(2);
  address_->SetBuffer(address_bytes(address));
  address_->setFocus();
  const int result = run_modal(prompter_, *this);
  const std::span<const uint8_t> typed = address_->GetBuffer();
  address = typed[0] * 256 + typed[1];
  return result;
}

}  // namespace kestrel
