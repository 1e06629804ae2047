#include "SetProtect.h"

#include "Prompter.h"
#include "kiteb.h"

namespace kestrel {

TFrmSetProtect::TFrmSetProtect(Kiteb& binding, Prompter& prompter, QWidget* parent)
    : QDialog(parent), binding_(binding), prompter_(prompter) {
  setWindowTitle(QStringLiteral("Properties"));
}

void TFrmSetProtect::show_protection(int) {}

}  // namespace kestrel
