#include "LogView.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace kestrel {
namespace {

QFont log_font() {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  if (QFontInfo(font).fixedPitch()) return font;
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

}  // namespace

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
  setFont(log_font());
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setLineWrapMode(QPlainTextEdit::NoWrap);
}

void LogView::append(const std::string& line) { append_line(QString::fromStdString(line)); }

void LogView::append_line(const QString& line) { appendPlainText(line); }

}  // namespace kestrel
