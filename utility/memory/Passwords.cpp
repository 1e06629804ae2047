#include "Passwords.h"

#include "Prompter.h"
#include "kiteb.h"

namespace kestrel {

TFrmPasswords::TFrmPasswords(Kiteb& binding, Prompter& prompter, QWidget* parent)
    : QDialog(parent), binding_(binding), prompter_(prompter) {
  setWindowTitle(QStringLiteral("Keys Verification"));
}

int TFrmPasswords::verify(int, int) { return QDialog::Rejected; }

}  // namespace kestrel
