// TFrmRead: the "Read" dialog. It asks the memory-card page for the address its view is to
// move to.
#pragma once

#include <QDialog>

namespace kestrel {

class Prompter;
class THexEdit;

class TFrmRead final : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmRead(Prompter& prompter, QWidget* parent = nullptr);

  // Shows the address and lets the user change it. Returns the modal result; the address is
  // written back whatever the result (0 to 65535), and the caller takes it only after OK. The
  // card type does not change what the dialog asks.
  int ask_address(int card_type, int& address);

 private:
  Prompter& prompter_;
  THexEdit* address_;
};

}  // namespace kestrel
