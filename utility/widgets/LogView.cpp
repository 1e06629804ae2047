#include "LogView.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QScrollBar>

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
  // A record of what happened: read, selected and copied, never typed into.
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setTabChangesFocus(true);

  // The range grows with every line, and also when a long line brings up the horizontal scroll
  // bar and the text area shrinks: whenever it changes, a log that follows goes to its end. The
  // user scrolling up stops that, scrolling back to the end starts it again.
  QScrollBar* bar = verticalScrollBar();
  connect(bar, &QScrollBar::rangeChanged, this, [this] {
    if (following_) scroll_to_newest();
  });
  connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) { following_ = value >= bar->maximum(); });
}

void LogView::append(const std::string& line) { append_line(QString::fromStdString(line)); }

void LogView::append_line(const QString& line) {
  const bool follow = following_;
  appendPlainText(line);
  if (follow) scroll_to_newest();
}

void LogView::scroll_to_newest() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

}  // namespace kestrel
