// TFrmKeys: the "Submit Keys" dialog. It holds the thirteen eight-character codes and keys of a
// VELA1 card, each known by the name it is stored under in the settings ("IC", "PIN", "Kc" ...).
#pragma once

#include <QDialog>
#include <QString>

#include <map>
#include <string>

class QLabel;
class QLineEdit;

namespace kestrel {

class TFrmKeys final : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmKeys(QWidget* parent = nullptr);

  // The field stored under name ("IC", "PIN", "Kc", "Kt", "AC1" to "AC5", "Kd", "Kcr", "Kcf", "Krd").
  QLineEdit& field(const std::string& name) const;
  QString text(const std::string& name) const;
  void set_text(const std::string& name, const QString& text);

 private:
  std::map<std::string, QLineEdit*> fields_;
  QLabel* message_;
};

}  // namespace kestrel
