// Placeholder until the Update dialog lands.
#pragma once
#include <QDialog>
namespace kestrel {
class TFrmWrite final : public QDialog {
 public:
  explicit TFrmWrite(QWidget* parent = nullptr) : QDialog(parent) {}
  int update(int, int, int) { return QDialog::Rejected; }
};
}  // namespace kestrel
