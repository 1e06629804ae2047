// TFrmKeys: the "Submit Keys" dialog. It holds the thirteen eight-character codes and keys of a
// VELA1 card, each known by the name it is stored under in the settings ("IC", "PIN", "Kc" ...),
// presents to the card the codes an access needs, and shows the card's answer when one is refused.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <map>
#include <string>

#include "vela1.h"

class QLabel;
class QLineEdit;

namespace kestrel {

class Prompter;

class TFrmKeys final : public QDialog {
  Q_OBJECT

 public:
  // Bits of the required purse keys.
  static constexpr uint8_t kPurseKeyKd = 0x01;
  static constexpr uint8_t kPurseKeyKcr = 0x02;
  static constexpr uint8_t kPurseKeyKcf = 0x04;
  static constexpr uint8_t kPurseKeyKrd = 0x08;
  // A security attribute that allows no access at all.
  static constexpr uint8_t kNeverAllowed = 0x01;

  TFrmKeys(Vela1& vela1, Prompter& prompter, QWidget* parent = nullptr);

  // The field stored under name ("IC", "PIN", "Kc", "Kt", "AC1" to "AC5", "Kd", "Kcr", "Kcf", "Krd").
  QLineEdit& field(const std::string& name) const;
  QString text(const std::string& name) const;
  void set_text(const std::string& name, const QString& text);
  // A field's text as the card takes a key: its first eight characters, filled up with zero bytes.
  Key key(const std::string& name) const;
  QString message() const;

  // What the next submit_keys() asks for: a security attribute (bit 7 IC, bit 6 PIN, bits 1-5
  // AC1-AC5, 1 alone = never allowed) and purse keys (the kPurseKey bits).
  void set_required(uint8_t codes, uint8_t purse_keys);
  uint8_t required_codes() const { return required_codes_; }
  uint8_t required_purse_keys() const { return required_purse_keys_; }

  // QDialog::Accepted when nothing is required or every required code was accepted;
  // QDialog::Rejected when the access is never allowed or the user cancelled.
  int submit_keys();
  // Shows the card's answer to the last command sent with the key of field; true when the card
  // refused it. Shown away from the dialog, it opens the dialog so the user can correct the key:
  // result() then tells how the user left it.
  bool show_error(QLineEdit& field);

 private:
  void prepare_fields();
  int run_modal(QLineEdit* focus = nullptr);
  void submit();
  void refuse(QLineEdit& field, const QString& text);

  Vela1& vela1_;
  Prompter& prompter_;
  std::map<std::string, QLineEdit*> fields_;
  QLabel* message_;
  uint8_t required_codes_ = 0;
  uint8_t required_purse_keys_ = 0;
};

}  // namespace kestrel
