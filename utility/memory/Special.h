// TFrmSpecial: the "Special functions" dialog: authentication of counter cards, the fuse pin of
// the code-protected cards, the (disabled) fuse blow, and the reactivation of X76F128/X76F640.
#pragma once

#include <QDialog>

#include <vector>

class QFormLayout;
class QGroupBox;
class QLabel;
class QRadioButton;
class QTabWidget;

namespace kestrel {

class ByteField;
class Kiteb;
class Prompter;
class THexEdit;
struct SpecialPages;

class TFrmSpecial final : public QDialog {
  Q_OBJECT

 public:
  // The pages, in the order they appear; each card type shows some of them.
  enum Page { Authentication, SetFuse, BlowFuse, Reactivate };

  TFrmSpecial(Kiteb& binding, Prompter& prompter, QWidget* parent = nullptr);

  // Shows the card type's pages modally; refuses other card types.
  void show_special(int card_type);

  QTabWidget& pages() const { return *pages_; }

 private:
  QWidget* create_authentication_page();
  QWidget* create_set_fuse_page();
  QWidget* create_blow_fuse_page();
  QWidget* create_reactivate_page();

  void prepare_authentication();
  void show_pages(const SpecialPages& shown);

  void authenticate();
  void set_fuse_pin();
  void reactivate();

  Kiteb& binding_;
  Prompter& prompter_;
  int card_type_ = 0;

  QTabWidget* pages_ = nullptr;
  QFormLayout* authentication_form_ = nullptr;
  ByteField* clk_pulses_ = nullptr;
  QGroupBox* use_ = nullptr;
  QRadioButton* key1_ = nullptr;
  QRadioButton* key2_ = nullptr;
  THexEdit* challenge_ = nullptr;
  QLabel* certificate_ = nullptr;
  std::vector<QRadioButton*> fuse_pins_;  // "High", "Low", "High impedance"
  THexEdit* reset_password_ = nullptr;
  QLabel* result_ = nullptr;
};

}  // namespace kestrel
