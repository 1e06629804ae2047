// TFrmSetProtect: the "Properties" dialog. It reads the protection state of the card types that
// have one (XIIC, LM8KS/LM2KS, LM256, X76F041), shows it on the card type's page, and sets it.
#pragma once

#include <QDialog>

namespace kestrel {

class Kiteb;
class Prompter;

class TFrmSetProtect final : public QDialog {
  Q_OBJECT

 public:
  TFrmSetProtect(Kiteb& binding, Prompter& prompter, QWidget* parent = nullptr);

  // Reads the card's protection and shows the dialog modally; refuses other card types.
  void show_protection(int card_type);

 private:
  Kiteb& binding_;
  Prompter& prompter_;
};

}  // namespace kestrel
