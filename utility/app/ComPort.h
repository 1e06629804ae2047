// TFrmComPort: the "Reader Configuration" dialog, where the user picks the port and the reader
// model. It is the only place the utility opens the reader from: silently with a stored choice,
// and by asking when that fails or when the user wants another reader.
#pragma once

#include <QDialog>

#include <cstdint>

#include "Prompter.h"
#include "kiteb.h"

class QComboBox;
class QLabel;

namespace kestrel {

class TFrmComPort final : public QDialog {
  Q_OBJECT

 public:
  TFrmComPort(Kiteb& binding, Prompter& prompter, QWidget* parent = nullptr);

  // Selects the two indexes and opens the reader with them; shows the dialog when always_ask is
  // set or the open fails. Writes the lists' indexes back either way. Accepted when a reader is
  // open, else the dialog's result.
  int open_or_ask(int32_t& reader_index, int32_t& port_index, bool always_ask);
  // Closes the reader and opens it with the selected reader type and port: 0 or an error code.
  // The cursor is busy while the library looks for the reader, which takes seconds.
  int32_t apply();

  // Why the last open failed, as the dialog shows it; empty when it was not shown for a failure.
  QString reason() const;

 private:
  void ok_clicked();

  Kiteb& binding_;
  Prompter& prompter_;
  QComboBox* ports_;
  QComboBox* readers_;
  QLabel* reason_;
};

// "No reader detected (-1081)" and what the library's code means, for a failed open.
QString open_failure_text(int32_t result);

}  // namespace kestrel
