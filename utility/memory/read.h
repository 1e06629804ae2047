// Placeholder until the Read dialog lands.
#pragma once
#include <QDialog>
namespace kestrel {
class Prompter;
class TFrmRead final : public QDialog {
 public:
  explicit TFrmRead(Prompter&, QWidget* parent = nullptr) : QDialog(parent) {}
  int ask_address(int, int&) { return QDialog::Rejected; }
};
}  // namespace kestrel
