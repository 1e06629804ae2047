// The About box (dialog 1), which AboutBox shows.
#pragma once

#include <QDialog>

namespace pelorus::control {

class AboutDialog : public QDialog {
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

// Shows the About box modally and returns when it is closed; ComError(E_FAIL) without a display.
void show_about_box();

}  // namespace pelorus::control
