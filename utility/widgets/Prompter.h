// The one way the utility talks to the person in front of it: message boxes, the beep and modal
// dialogs. Windows and dialogs take a Prompter instead of calling QMessageBox, QApplication::beep()
// or QDialog::exec() themselves, so that tests can answer them without anyone at the keyboard.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QString>

class QWidget;

namespace kestrel {

class Prompter {
 public:
  enum class Kind { Information, Warning, Error, Confirmation };

  virtual ~Prompter() = default;
  // Shows a message box; returns the button pressed.
  virtual QMessageBox::StandardButton message(QWidget* parent, Kind kind, const QString& text,
                                              QMessageBox::StandardButtons buttons = QMessageBox::Ok) = 0;
  virtual void beep() = 0;
  // Runs a dialog modally; returns its result (QDialog::Accepted / Rejected).
  virtual int exec(QDialog& dialog) = 0;
};

// The real thing: message boxes on the screen, the system beep, modal event loops.
class DesktopPrompter final : public Prompter {
 public:
  QMessageBox::StandardButton message(QWidget* parent, Kind kind, const QString& text,
                                      QMessageBox::StandardButtons buttons = QMessageBox::Ok) override;
  void beep() override;
  int exec(QDialog& dialog) override;
};

}  // namespace kestrel
