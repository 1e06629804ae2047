// What the control's dialogs run on: the host's QApplication when it has one, else one made for
// the time of the dialog. A host without Qt and without a display cannot show them: making a
// QApplication there would end the host's process.
#pragma once

#include <QApplication>

#include <memory>

namespace pelorus::control {

// Whether Qt can show windows here: QT_QPA_PLATFORM names a platform, or DISPLAY names an X
// display that answers.
bool display_available();

class GuiSession {
 public:
  // Throws ComError(E_FAIL) when there is neither a QApplication nor a display.
  GuiSession();
  ~GuiSession();
  GuiSession(const GuiSession&) = delete;
  GuiSession& operator=(const GuiSession&) = delete;

 private:
  int argc_ = 1;
  char name_[8] = "pelorus";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> own_;
};

}  // namespace pelorus::control
