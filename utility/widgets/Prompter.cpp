#include "Prompter.h"

#include <QApplication>

namespace kestrel {

namespace {

QMessageBox::Icon icon_of(Prompter::Kind kind) {
  switch (kind) {
    case Prompter::Kind::Information: return QMessageBox::Information;
    case Prompter::Kind::Warning: return QMessageBox::Warning;
    case Prompter::Kind::Error: return QMessageBox::Critical;
    case Prompter::Kind::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QString title_of(Prompter::Kind kind) {
  switch (kind) {
    case Prompter::Kind::Information: return QStringLiteral("Information");
    case Prompter::Kind::Warning: return QStringLiteral("Warning");
    case Prompter::Kind::Error: return QStringLiteral("Error");
    case Prompter::Kind::Confirmation: return QStringLiteral("Confirm");
  }
  return {};
}

}  // namespace

QMessageBox::StandardButton DesktopPrompter::message(QWidget* parent, Kind kind, const QString& text,
                                                     QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon_of(kind), title_of(kind), text, buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void DesktopPrompter::beep() { QApplication::beep(); }

int DesktopPrompter::exec(QDialog& dialog) { return dialog.exec(); }

}  // namespace kestrel
