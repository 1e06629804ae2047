// TFrmVELA1Prop: the "VELA1 Properties" dialog. It shows the card's configuration, its user files
// and its electronic purse as the last scan or inquiry left them, and runs purse transactions.
#pragma once

#include <QDialog>

namespace kestrel {

class Prompter;
class TFrmKeys;
class Vela1;

class TFrmVELA1Prop final : public QDialog {
  Q_OBJECT

 public:
  TFrmVELA1Prop(Vela1& vela1, TFrmKeys& keys, Prompter& prompter, QWidget* parent = nullptr);

 private:
  Vela1& vela1_;
  TFrmKeys& keys_;
  Prompter& prompter_;
};

}  // namespace kestrel
