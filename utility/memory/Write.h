// TFrmWrite: the "Update" dialog. It shows a window of a memory card's memory and performs one
// write-type command on it: a normal write, an erase, a whole-card erase or fill, a protect write
// or a carry write, each offered where the command support table offers it for the card type.
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace kestrel {

class Kiteb;
class Prompter;
class TFrmCounter;
class TFrmPasswords;
class THexEdit;

class TFrmWrite final : public QDialog {
  Q_OBJECT

 public:
  // The largest window the dialog shows, in bytes.
  static constexpr int kLargestWindow = 32;

  TFrmWrite(Kiteb& binding, Prompter& prompter, TFrmPasswords& passwords, TFrmCounter& counter,
            QWidget* parent = nullptr);

  // Shows length bytes (at most 32) from start, read from the card, and lets the user write.
  // QDialog::Accepted after a successful command, Rejected otherwise.
  int update(int card_type, int start, int length);

 private:
  struct WriteOption {
    QRadioButton* button;
    uint8_t ins;
  };
  struct WriteCommand;

  QWidget* create_area_group();
  QWidget* create_options_group();
  uint8_t selected_command() const;
  void read_again();
  void update_controls();
  void view_counter();
  void submit();
  bool enough_data(uint8_t ins);
  bool password_presented(uint8_t ins);
  WriteCommand command_for(uint8_t ins);
  void send(uint8_t ins);
  uint8_t window_length();

  Kiteb& binding_;
  Prompter& prompter_;
  TFrmPasswords& passwords_;
  TFrmCounter& counter_;
  int card_type_ = 0;

  THexEdit* start_ = nullptr;
  THexEdit* length_ = nullptr;
  THexEdit* data_ = nullptr;
  THexEdit* fill_ = nullptr;
  QPushButton* read_again_ = nullptr;
  std::vector<WriteOption> options_;
  QCheckBox* backup_ = nullptr;
  QPushButton* view_counter_ = nullptr;
};

// The password the "Update" dialog has the card take before it sends the command: X76F100
// writes need password 0, X76F128 and X76F640 writes password 2 below address 8000 and 3 from
// there, and their whole-card fill the reset password 4. Other cards need none.
std::optional<int> write_password(int card_type, uint8_t ins, uint8_t start_high);

}  // namespace kestrel
