// TMemoryCardPage: the main window's "Memory Card" page. A tree lists the memory chips by
// manufacturer, and under each chip its areas; selecting an area starts a session of the chip's
// card type and shows the area's bytes, at most 32 at a time, read again at every step of the
// scroll bar. The buttons under the view open the memory-card dialogs for the area's card type.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel {

class Kiteb;
class Prompter;
class TFrmPasswords;
class TFrmRead;
class TFrmSetProtect;
class TFrmSpecial;
class TFrmWrite;
class THexEdit;

// What a node of the tree stands for: an area's card type, first address and size; all 0 on
// manufacturer and chip nodes.
struct TNodeInfo {
  int32_t card_type = 0;
  int32_t start = 0;
  int32_t size = 0;
};

// The dialogs the page opens, all owned by the main window.
struct MemoryCardDialogs {
  TFrmPasswords& passwords;
  TFrmSetProtect& protection;
  TFrmSpecial& special;
  TFrmRead& read;
  TFrmWrite& write;
};

class TMemoryCardPage final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kViewLength = 32;  // the most bytes shown and read at a time
  enum Panel { kAddressPanel, kSparePanel, kPanelCount };

  TMemoryCardPage(Kiteb& binding, Prompter& prompter, MemoryCardDialogs dialogs, QWidget* parent = nullptr);

  // Fills the tree with the chip table; the main window does it once, at its first show.
  void build_tree();

  QTreeWidget& tree() const { return *tree_; }
  THexEdit& view() const { return *view_; }
  QScrollBar& scroll_bar() const { return *scroll_bar_; }
  // The view panel's caption: the page's message while the view is hidden.
  QString caption() const;
  QString status_text(Panel panel) const;
  const TNodeInfo& node_info(const QTreeWidgetItem& item) const;
  // The area selected last; none before the first.
  std::optional<TNodeInfo> current_area() const { return current_; }
  // The address of the first byte shown.
  int32_t shown_address() const;

  std::vector<QWidget*> focus_order() const;

 private:
  QWidget* create_view_panel();
  QTreeWidgetItem* add_node(QTreeWidgetItem* parent, const char* text, TNodeInfo info);
  void selection_changed();
  void select_area(const TNodeInfo& area);
  void show_view(bool shown, const QString& caption = {});
  void refresh();
  void move_to(int32_t address);
  // The card type of the current area; with none yet, the user is told to select one.
  std::optional<int32_t> area_card_type();
  void read_clicked();
  void write_clicked();

  Kiteb& binding_;
  Prompter& prompter_;
  MemoryCardDialogs dialogs_;

  std::vector<TNodeInfo> nodes_;  // one per tree node; a node holds its index
  std::optional<TNodeInfo> current_;
  int32_t view_base_ = 0;
  int32_t view_length_ = 0;

  QTreeWidget* tree_;
  QLabel* caption_;
  QWidget* view_row_;
  THexEdit* view_;
  QScrollBar* scroll_bar_;
  QWidget* format_strip_;
  QRadioButton* hex_;
  QRadioButton* ascii_;
  QWidget* buttons_;
  std::vector<QPushButton*> button_list_;  // in reading order
  std::vector<QLabel*> panels_;
};

}  // namespace kestrel
