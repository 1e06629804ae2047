// TFrmSpecial: the "Special functions" dialog: authentication of counter cards, the fuse pin of
// the code-protected cards, the (disabled) fuse blow, and the reactivation of X76F128/X76F640.
#pragma once

#include <QDialog>

namespace kestrel {

class Kiteb;
class Prompter;

class TFrmSpecial final : public QDialog {
  Q_OBJECT

 public:
  TFrmSpecial(Kiteb& binding, Prompter& prompter, QWidget* parent = nullptr);

  // Shows the card type's pages modally; refuses other card types.
  void show_special(int card_type);

 private:
  Kiteb& binding_;
  Prompter& prompter_;
};

}  // namespace kestrel
