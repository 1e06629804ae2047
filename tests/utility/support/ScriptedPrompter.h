// A Prompter for tests: records every message and beep, answers message boxes from a queue
// (Ok once the queue is empty) and runs dialogs through a handler the test sets. Nothing blocks.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "Prompter.h"

namespace kestrel::testing {

class ScriptedPrompter final : public Prompter {
 public:
  struct Message {
    Kind kind;
    QString text;
  };

  QMessageBox::StandardButton message(QWidget* parent, Kind kind, const QString& text,
                                      QMessageBox::StandardButtons buttons = QMessageBox::Ok) override;
  void beep() override { ++beeps; }
  // Without a handler a dialog is rejected at once, as if cancelled.
  int exec(QDialog& dialog) override;

  std::vector<Message> messages;
  int beeps = 0;
  std::deque<QMessageBox::StandardButton> answers;
  std::function<int(QDialog&)> on_dialog;
  int dialogs_run = 0;
};

}  // namespace kestrel::testing
