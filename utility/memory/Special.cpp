#include "Special.h"

#include "Prompter.h"
#include "kiteb.h"

namespace kestrel {

TFrmSpecial::TFrmSpecial(Kiteb& binding, Prompter& prompter, QWidget* parent)
    : QDialog(parent), binding_(binding), prompter_(prompter) {
  setWindowTitle(QStringLiteral("Special functions"));
}

void TFrmSpecial::show_special(int) {}

}  // namespace kestrel
