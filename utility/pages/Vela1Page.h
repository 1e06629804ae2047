// TVela1Page: the main window's "VELA1" page. Reset powers a VELA1 card up and lists its file
// table in a tree; selecting a file reads all its records into the byte editor, once the codes its
// read security asks for are presented; Update writes the edited bytes back record by record, and
// Details opens the VELA1 Properties dialog. Every command is traced to the log by the binding.
#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

#include "vela1.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace kestrel {

class Kiteb;
class LogSink;
class Prompter;
class TFrmKeys;
class TFrmVELA1Prop;
class THexEdit;

class TVela1Page final : public QWidget {
  Q_OBJECT

 public:
  // The status bar's panels, left to right.
  enum Panel { kStagePanel, kFileNamePanel, kRecordCountPanel, kRecordSizePanel, kPanelCount };

  TVela1Page(Kiteb& binding, Vela1& vela1, TFrmKeys& keys, TFrmVELA1Prop& properties, LogSink& log,
             Prompter& prompter, QWidget* parent = nullptr);

  // Scans the card anew and lists its files; the view is emptied.
  void reset();

  QString status_text(Panel panel) const;
  QTreeWidget& tree() const { return *tree_; }
  THexEdit& view() const { return *view_; }
  // The identifier of the file whose bytes the view holds, read since the last Reset.
  std::optional<int32_t> held_file() const;

  // The page's controls in reading order, for the keyboard's Tab.
  std::vector<QWidget*> focus_order() const;
  // The page's default button, which Return presses.
  QPushButton& default_button() const { return *reset_; }

 private:
  void clear_page();
  void show_card();
  void selection_changed();
  void read_file(int index);
  bool read_records(const Vela1File& entry);
  void update_file();
  void empty_view();
  void set_status(Panel panel, const QString& text);

  Kiteb& binding_;
  Vela1& vela1_;
  TFrmKeys& keys_;
  TFrmVELA1Prop& properties_;
  LogSink& log_;
  Prompter& prompter_;

  QTreeWidget* tree_;
  THexEdit* view_;
  QRadioButton* ascii_;
  QRadioButton* hex_;
  QPushButton* reset_;
  QPushButton* details_;
  QPushButton* update_;
  std::vector<QLabel*> panels_;

  // The table entry of the file the view holds, as it was read in the current scan, so that Update
  // writes back to exactly that file. Empty after a Reset and after a read that did not complete:
  // Update then has nothing to write.
  std::optional<Vela1File> held_;
  // Counts the scans, so that a Reset that runs while a dialog is up is noticed.
  int scan_ = 0;
};

}  // namespace kestrel
