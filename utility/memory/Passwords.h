// TFrmPasswords: the "Keys Verification" dialog. It presents a password, PIN or code of a memory
// card to the card, optionally changes it, and keeps the program's key memory: per password
// number, the last value a card accepted.
#pragma once

#include <QDialog>

namespace kestrel {

class Kiteb;
class Prompter;

class TFrmPasswords final : public QDialog {
  Q_OBJECT

 public:
  TFrmPasswords(Kiteb& binding, Prompter& prompter, QWidget* parent = nullptr);

  // Opens the dialog for the card type with the entry of password_number selected.
  // QDialog::Accepted when the card accepted the value (and the change, if asked).
  int verify(int card_type, int password_number);

 private:
  Kiteb& binding_;
  Prompter& prompter_;
};

}  // namespace kestrel
