// TCommandsPage: the main window's "Commands" page, for driving the reader by hand. The user starts
// a session for a chosen card type, sets the header bytes and the data of one command record
// (an APDU, or a logical memory-card command picked from a list that fills in INS), sends it, and
// ends the session. Session results go to the log; the exchange trace logs each exchange.
#pragma once

#include <QWidget>

#include <array>
#include <vector>

#include "LogSink.h"
#include "Prompter.h"
#include "kiteb.h"

class QComboBox;
class QPushButton;

namespace kestrel {

class ByteField;
class THexEdit;

class TCommandsPage final : public QWidget {
  Q_OBJECT

 public:
  TCommandsPage(Kiteb& binding, LogSink& log, Prompter& prompter, QWidget* parent = nullptr);

  // The selected entry of the card-type list (its card-type code), -1 when none is selected.
  int card_type_selection() const;
  // Selects an entry; a value outside the list selects none.
  void select_card_type(int card_type);
  // Selects "QXI_Read" in the command list without putting its code into INS.
  void select_first_command();

  // The page's controls in reading order, for the keyboard's Tab.
  std::vector<QWidget*> focus_order() const { return focus_order_; }

 private:
  enum Header { kCla, kIns, kP1, kP2, kLc, kLe, kHeaderCount };

  void start_session();
  void end_session();
  void command_chosen(int position);
  void lc_changed(int length);
  void exchange_apdu();

  Kiteb& binding_;
  LogSink& log_;
  Prompter& prompter_;
  QComboBox* card_types_;
  QComboBox* commands_;
  THexEdit* data_;
  std::array<ByteField*, kHeaderCount> header_{};
  std::vector<QWidget*> focus_order_;
};

}  // namespace kestrel
