// TFrmPasswords: the "Keys Verification" dialog. It presents a password, PIN or code of a memory
// card to the card, optionally changes it, and keeps the program's key memory: per password
// number, the last value a card accepted, offered again at the next opening.
#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;

namespace kestrel {

class Kiteb;
class Prompter;
class THexEdit;

// One entry of a card type's key list; its position in the list is its password number.
struct KeyEntry {
  const char* text;
  int length;  // bytes
};

// The key list of a card type; empty for a type without codes.
std::span<const KeyEntry> key_list(int card_type);

// Ten slots of nine bytes, indexed by password number, zero at start.
class KeyMemory {
 public:
  static constexpr int kSlots = 10;
  static constexpr int kSlotLength = 9;

  std::span<const uint8_t> slot(int number) const { return slots_.at(static_cast<size_t>(number)); }
  // Keeps the first kSlotLength bytes of value; the rest of the slot is left as it was.
  void store(int number, std::span<const uint8_t> value);

 private:
  std::array<std::array<uint8_t, kSlotLength>, kSlots> slots_{};
};

class TFrmPasswords final : public QDialog {
  Q_OBJECT

 public:
  TFrmPasswords(Kiteb& binding, Prompter& prompter, QWidget* parent = nullptr);

  // Opens the dialog for the card type with the entry of password_number selected.
  // QDialog::Accepted when the card accepted the value (and the change, if asked); Rejected
  // when the card type or the number has no entry, or the user cancelled.
  int verify(int card_type, int password_number);

  const KeyMemory& key_memory() const { return key_memory_; }

 private:
  void load_entry(int index);
  void change_toggled(bool checked);
  void set_format(bool hex);
  void submit();
  // True when the card accepted the value; otherwise the user has been told why.
  bool verify_on_card(int number);
  bool change_on_card(int number);
  void refuse(const QString& text);

  Kiteb& binding_;
  Prompter& prompter_;
  KeyMemory key_memory_;
  int card_type_ = 0;
  std::vector<KeyEntry> entries_;

  QComboBox* key_names_;
  THexEdit* value_;
  QGroupBox* new_value_group_;
  QLabel* new_value_label_;
  THexEdit* new_value_;
  QCheckBox* change_;
  QRadioButton* hex_;
  QRadioButton* ascii_;
};

}  // namespace kestrel
