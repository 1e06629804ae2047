#include "DialogParts.h"

#include <QFormLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "HexEdit.h"

namespace kestrel {

THexEdit* one_line_bytes(Prompter& prompter, const QString& name, int length, QWidget* parent) {
  auto* field = new THexEdit(prompter, parent);
  field->setObjectName(name);
  field->SetBufferLen(length);
  field->SetBuffer(std::vector<uint8_t>(static_cast<size_t>(std::max(length, 0))));
  // The few bytes fit one line of the default eight bytes.
  field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  field->setFixedHeight(field->fontMetrics().height() * 2);
  return field;
}

QFormLayout* top_form(QWidget* page) {
  auto* form = new QFormLayout;
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(form);
  layout->addStretch(1);
  return form;
}

}  // namespace kestrel
