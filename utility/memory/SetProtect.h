// TFrmSetProtect: the "Properties" dialog. It reads the protection state of the card types that
// have one (XIIC, LM8KS/LM2KS, LM256, X76F041), shows it on the card type's page, and sets it.
#pragma once

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace kestrel {

class Kiteb;
class Prompter;
class THexEdit;
class TrackBar;
struct ProtectionReading;

class TFrmSetProtect final : public QDialog {
  Q_OBJECT

 public:
  // The pages, in the order they appear; only the card type's page is shown.
  enum Page { Xiic, SecurityCode, Lm256, X76F041 };

  TFrmSetProtect(Kiteb& binding, Prompter& prompter, QWidget* parent = nullptr);

  // Reads the card's protection and shows the dialog modally; refuses other card types.
  void show_protection(int card_type);

  QTabWidget& pages() const { return *pages_; }

 private:
  QWidget* create_xiic_page();
  QWidget* create_security_code_page();
  QWidget* create_lm256_page();
  QWidget* create_x76f041_page();
  TrackBar* track_bar(const QString& caption, const QString& name, QFormLayout& form, QWidget* parent);

  void fill(const ProtectionReading& reading);
  void fill_security_code(const ProtectionReading& reading);
  void fill_xiic();
  void fill_lm256();
  void fill_x76f041();
  void show_only(Page page);
  void show_selections();
  void set_clear_protection(bool clear);

  void update_card();
  int32_t send_update();
  int32_t update_xiic();
  int32_t update_lm256();

  Kiteb& binding_;
  Prompter& prompter_;
  int card_type_ = 0;

  QTabWidget* pages_ = nullptr;
  TrackBar* protection_start_ = nullptr;
  TrackBar* protection_end_ = nullptr;
  TrackBar* endurance_block_ = nullptr;
  QLineEdit* remaining_chances_ = nullptr;
  THexEdit* security_code_ = nullptr;
  TrackBar* protected_registers_ = nullptr;
  QCheckBox* clear_protection_ = nullptr;
  THexEdit* value_ = nullptr;
  QLabel* description_ = nullptr;
  QPushButton* update_ = nullptr;
};

}  // namespace kestrel
