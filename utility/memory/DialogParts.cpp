#include "DialogParts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "HexEdit.h"
#include "Prompter.h"

namespace kestrel {

THexEdit* one_line_hex_field(Prompter& prompter, const QString& name, int length, QWidget* parent) {
  auto* field = new THexEdit(prompter, parent);
  field->setObjectName(name);
  field->SetEditMode(THexEdit::dtHex);
  field->SetBufferLen(length);
  field->BufferToText();
  // A few bytes fit on one line: the field needs neither scroll bars nor a second line.
  field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  field->setFixedHeight(field->fontMetrics().height() * 2);
  // A field whose length comes later is made wide enough for a line of bytes.
  const int widest = length > 0 ? length : THexEdit::kDefaultBytePerLine;
  field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00 ")) * (widest + 1));
  return field;
}

QFormLayout* top_form(QWidget* page) {
  auto* form = new QFormLayout;
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(form);
  layout->addStretch(1);
  return form;
}

std::array<uint8_t, 2> address_bytes(int address) {
  const auto value = static_cast<uint16_t>(address);
  return {static_cast<uint8_t>(value / 256), static_cast<uint8_t>(value % 256)};
}

QDialogButtonBox* ok_cancel_buttons(QDialog& dialog) {
  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OK"));
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("Cancel"));
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

int run_modal(Prompter& prompter, QDialog& dialog) {
  dialog.setResult(QDialog::Rejected);
  const int result = prompter.exec(dialog);
  dialog.setResult(result);
  return result;
}

QDialogButtonBox* lay_out_one_field(QDialog& dialog, const QString& caption, QWidget* field) {
  auto* fields = new QFormLayout;
  fields->addRow(caption, field);
  QDialogButtonBox* buttons = ok_cancel_buttons(dialog);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  return buttons;
}

}  // namespace kestrel
