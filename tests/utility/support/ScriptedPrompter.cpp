#include "ScriptedPrompter.h"

namespace kestrel::testing {

QMessageBox::StandardButton ScriptedPrompter::message(QWidget*, Kind kind, const QString& text,
                                                      QMessageBox::StandardButtons) {
  messages.push_back({kind, text});
  if (answers.empty()) return QMessageBox::Ok;
  const QMessageBox::StandardButton answer = answers.front();
  answers.pop_front();
  return answer;
}

int ScriptedPrompter::exec(QDialog& dialog) {
  ++dialogs_run;
  return on_dialog ? on_dialog(dialog) : QDialog::Rejected;
}

}  // namespace kestrel::testing
