#include "prop_page_dialog.h"

#include <QLabel>

#include "dialog_units.h"
#include "gui_session.h"
#include "resources.h"

namespace pelorus::control {

CPelorusPropPage::CPelorusPropPage(QWidget* parent) : QDialog(parent) {
  setFont(dialog_font());
  const DialogUnits units(font());
  setWindowTitle(QString::fromLatin1(resources::kPropPageCaption));
  setFixedSize(units.size(kPropPageWidth, kPropPageHeight));
  auto* label = new QLabel(QStringLiteral("There is no properties page for this control"), this);
  label->setObjectName(QStringLiteral("text"));
  label->setGeometry(units.rect(45, 25, 140, 10));
}

void show_property_page() {
  GuiSession session;
  CPelorusPropPage page;
  page.exec();
}

}  // namespace pelorus::control
