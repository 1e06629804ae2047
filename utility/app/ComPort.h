// TFrmComPort: the "Reader Configuration" dialog, where the user picks the port and the reader
// model. It is the only place the utility opens the reader from: silently with a stored choice,
// and by asking when that fails or when the user wants another reader.
#pragma once

#include <QDialog>

#include <cstdint>

#include "Prompter.h"
#include "kiteb.h"

class QComboBox;

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
  int32_t apply();

 private:
  void ok_clicked();

  Kiteb& binding_;
  Prompter& prompter_;
  QComboBox* ports_;
  QComboBox* readers_;
};

}  // namespace kestrel
