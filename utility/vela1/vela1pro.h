// TFrmVELA1Prop: the "VELA1 Properties" dialog. It shows the card's configuration, its user files
// and its electronic purse as the last scan or inquiry left them, and runs purse transactions.
// It holds no card data of its own: every time it is shown it redisplays the card record.
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace kestrel {

class Prompter;
class TFrmKeys;
class Vela1;
struct PurseTransaction;

class TFrmVELA1Prop final : public QDialog {
  Q_OBJECT

 public:
  // The pages, in the order they appear.
  enum Page { CardSettings, UserFiles, ElectronicsPurse };

  TFrmVELA1Prop(Vela1& vela1, TFrmKeys& keys, Prompter& prompter, QWidget* parent = nullptr);

  // Redisplays the card record: registers, stage, user files and purse.
  void fill();
  QTabWidget& pages() const { return *pages_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // A display-only check box and the register bit it shows.
  struct BitBox {
    QCheckBox* box;
    int bit;
  };

  QWidget* create_card_settings_page();
  QWidget* create_user_files_page();
  QWidget* create_purse_page();
  QCheckBox* display_box(const QString& caption, const QString& name, QWidget* parent);
  void show_bits(const std::vector<BitBox>& boxes, uint8_t value);
  void fill_purse();
  void show_phase();
  void user_file_selected(int row);
  void inquire();
  void run(const PurseTransaction& transaction);
  std::optional<int32_t> amount_to_send(const PurseTransaction& transaction) const;

  Vela1& vela1_;
  TFrmKeys& keys_;
  Prompter& prompter_;
  // Set while the user may click the check boxes: a click is then undone. Cleared while the
  // dialog sets the boxes itself.
  bool guard_ = false;

  QTabWidget* pages_ = nullptr;
  std::vector<BitBox> option_boxes_;
  std::vector<BitBox> secure_boxes_;
  std::vector<BitBox> read_boxes_;
  std::vector<BitBox> update_boxes_;
  QLineEdit* number_of_files_ = nullptr;
  QListWidget* phases_ = nullptr;
  QListWidget* user_files_ = nullptr;
  QLineEdit* record_size_ = nullptr;
  QLineEdit* record_total_ = nullptr;
  QLineEdit* balance_ = nullptr;
  QLineEdit* last_transaction_ = nullptr;
  QLineEdit* transaction_counter_ = nullptr;
  QLineEdit* maximum_balance_ = nullptr;
  QLineEdit* purse_id_ = nullptr;
  QLineEdit* credit_reference_ = nullptr;
  QLineEdit* debit_reference_ = nullptr;
  QLineEdit* amount_ = nullptr;
  QLineEdit* reference_ = nullptr;
  QPushButton* revoke_ = nullptr;
  QWidget* purse_page_ = nullptr;
};

}  // namespace kestrel
