#include "HexEdit.h"

#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <optional>

#include "HexText.h"

namespace kestrel {

namespace {

const QString kRequiredFieldWarning = QStringLiteral(" ¡Es obligatorio rellenar este campo! ");
const QString kBufferTooLong = QStringLiteral("Error : Buffer length is too long");

QFont fixed_pitch_font() {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  if (QFontInfo(font).fixedPitch()) return font;
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

// The characters a key types, as a text box takes them: printable characters, and the control
// characters of Backspace, Tab, Return and Escape. Navigation keys, Delete and anything held with
// Ctrl, Alt or Meta are commands (copy, paste, select all ...) and type nothing.
std::optional<QString> typed_text(const QKeyEvent& event) {
  if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
  switch (event.key()) {
    case Qt::Key_Backspace: return QStringLiteral("\b");
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return QStringLiteral("\t");
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("\r");
    case Qt::Key_Escape: return QStringLiteral("\x1b");
    case Qt::Key_Delete: return std::nullopt;
    default: break;
  }
  const QString text = event.text();
  const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
    return c.unicode() >= 32 && c.unicode() != 127;
  });
  return printable ? std::optional(text) : std::nullopt;
}

QString with_uppercase_hex_letters(QString text) {
  for (QChar& c : text)
    if (c >= u'a' && c <= u'f') c = c.toUpper();
  return text;
}

bool accepted_in_hex(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || c.unicode() < 32;
}

// Entry by keyboard (or by the program), not by a click or by coming back to the window.
bool entered_by_keyboard(Qt::FocusReason reason) {
  return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason ||
         reason == Qt::OtherFocusReason;
}

// The user moved on to another control. Focus that the program moves (such as an editor taking
// it back) does not count: two empty required editors would otherwise take it from each other
// for ever.
bool left_by_user(Qt::FocusReason reason) {
  return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason ||
         reason == Qt::ShortcutFocusReason;
}

// A paste takes the text up to its first control character: at most its first line.
QString first_line(const QMimeData* source) {
  const QString text = source != nullptr && source->hasText() ? source->text() : QString();
  const auto end = std::find_if(text.begin(), text.end(), [](QChar c) { return c.unicode() < 32; });
  return text.left(end - text.begin());
}

}  // namespace

THexEdit::THexEdit(Prompter& prompter, QWidget* parent) : QPlainTextEdit(parent), prompter_(prompter) {
  setFont(fixed_pitch_font());
  // Tab moves on to the next field, as everywhere in a dialog.
  setTabChangesFocus(true);
  // Every edit is laid out again at once; undo steps would mix the user's and the editor's own.
  setUndoRedoEnabled(false);
  // Hexadecimal digits come as key presses only, so that every one passes the key filter.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  connect(this, &QPlainTextEdit::textChanged, this, &THexEdit::take_edit);
}

std::span<const uint8_t> THexEdit::GetBuffer() {
  TextToBuffer();
  return valid_bytes();
}

void THexEdit::SetBuffer(std::span<const uint8_t> source) {
  const std::span<uint8_t> bytes = valid_bytes();
  const size_t copied = std::min(source.size(), bytes.size());
  std::copy_n(source.begin(), copied, bytes.begin());
  std::fill(bytes.begin() + copied, bytes.end(), 0);
  BufferToText();
  emit bufferChanged();
}

void THexEdit::SetBufferLen(int length) {
  if (length > kMaxBufferLen) {
    prompter_.message(this, Prompter::Kind::Error, kBufferTooLong);
    return;
  }
  buffer_len_ = length;
}

void THexEdit::SetBytePerLine(int count) {
  TextToBuffer();
  byte_per_line_ = count > 0 ? count : kDefaultBytePerLine;
  BufferToText();
}

void THexEdit::SetEditMode(TValidEditMode mode) {
  if ((mode != dtHex && mode != dtAscii) || mode == edit_mode_) return;
  TextToBuffer();
  edit_mode_ = mode;
  setAttribute(Qt::WA_InputMethodEnabled, mode == dtAscii);
  BufferToText();
}

void THexEdit::SetAlignment(Qt::Alignment alignment) {
  const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
  if (horizontal == alignment_) return;
  alignment_ = horizontal;
  QTextOption option = document()->defaultTextOption();
  option.setAlignment(alignment_);
  document()->setDefaultTextOption(option);
}

int THexEdit::Start() const {
  return hextext::byte_index(text_caret(), byte_per_line_, edit_mode_ == dtHex ? 3 : 1);
}

void THexEdit::BufferToText() {
  const std::span<uint8_t> bytes = valid_bytes();
  show_lines(edit_mode_ == dtHex ? hextext::hex_lines(bytes, byte_per_line_)
                                 : hextext::ascii_lines(bytes, byte_per_line_),
             text_caret());
  shown_len_ = static_cast<int>(bytes.size());
  text_edited_ = false;
}

void THexEdit::TextToBuffer() {
  const std::span<uint8_t> bytes = valid_bytes();
  if (!text_edited_) {
    // Reading an untouched text again would only lose what it cannot hold (the bytes below 32 in
    // text form); what it shows is in the buffer already.
    std::fill(bytes.begin() + std::min(static_cast<size_t>(shown_len_), bytes.size()), bytes.end(), 0);
    typed_ = false;
    return;
  }
  QString text = document_lines().join(hextext::kLineBreak);
  if (typed_ && !insert_mode_) hextext::blank_replaced_digit(text, text_caret());
  typed_ = false;
  if (edit_mode_ == dtHex)
    hextext::parse_hex(text, bytes);
  else
    hextext::parse_ascii(text, bytes);
}

void THexEdit::keyPressEvent(QKeyEvent* event) {
  std::optional<QString> typed = isReadOnly() ? std::nullopt : typed_text(*event);
  if (!typed) {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  modified_ = true;
  if (edit_mode_ == dtHex) {
    typed = with_uppercase_hex_letters(*typed);
    if (!std::all_of(typed->begin(), typed->end(), accepted_in_hex)) {
      prompter_.beep();
      event->accept();
      return;
    }
    typed_ = true;
  }
  // A line break is always a plain one: Shift+Return would put a line separator inside a line.
  const bool line_break = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  QKeyEvent retyped(QEvent::KeyPress, line_break ? Qt::Key_Return : event->key(),
                    line_break ? Qt::NoModifier : event->modifiers(), *typed, event->isAutoRepeat(), event->count());
  QPlainTextEdit::keyPressEvent(&retyped);
  event->setAccepted(retyped.isAccepted());
  // The edit, if the key made one, has been taken in; a key that changed nothing (Backspace at the
  // start) must not leave a pending digit for a later read to blank.
  typed_ = false;
}

void THexEdit::focusInEvent(QFocusEvent* event) {
  QPlainTextEdit::focusInEvent(event);
  if (entered_by_keyboard(event->reason()) && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) selectAll();
}

void THexEdit::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  // The warning waits until the focus has settled on the next control: a modal message box inside
  // the focus change would run an event loop in the middle of it.
  if (required_field_ && left_by_user(event->reason()))
    QMetaObject::invokeMethod(this, &THexEdit::warn_if_left_empty, Qt::QueuedConnection);
}

void THexEdit::insertFromMimeData(const QMimeData* source) {
  const QString line = first_line(source);
  if (line.isEmpty()) {
    textCursor().removeSelectedText();
    return;
  }
  QMimeData first_line_only;
  first_line_only.setText(line);
  QPlainTextEdit::insertFromMimeData(&first_line_only);
}

std::span<uint8_t> THexEdit::valid_bytes() {
  return std::span(buffer_).first(static_cast<size_t>(std::clamp(buffer_len_, 0, kMaxBufferLen)));
}

QStringList THexEdit::document_lines() const {
  QStringList lines;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) lines.append(block.text());
  return lines;
}

int THexEdit::text_caret() const {
  const QTextCursor cursor = textCursor();
  return cursor.position() + cursor.blockNumber();
}

void THexEdit::show_lines(const QStringList& lines, int text_caret_position) {
  // The caret settles in text positions and then maps back to the document's, one per line break.
  const QString text = lines.join(hextext::kLineBreak);
  const int settled = edit_mode_ == dtHex ? hextext::settle_hex_caret(text, text_caret_position)
                                          : hextext::settle_ascii_caret(text, text_caret_position);
  const int position = settled - static_cast<int>(QStringView(text).left(settled).count(u'\n'));

  const QScopedValueRollback guard(updating_, true);
  const QString document_text = lines.join(u'\n');
  const bool replace = document_text != document_lines().join(u'\n');
  if (replace) {
    const int scrolled = verticalScrollBar()->value();
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.insertText(document_text);
    verticalScrollBar()->setValue(scrolled);
  }
  QTextCursor cursor = textCursor();
  if (replace || cursor.position() != position) {
    cursor.setPosition(position);
    setTextCursor(cursor);
  }
}

// Every change of the text that the editor did not make itself is read back and laid out again
// at once, so text and bytes never drift apart.
void THexEdit::take_edit() {
  if (updating_) return;
  modified_ = true;
  text_edited_ = true;
  TextToBuffer();
  BufferToText();
  emit bufferChanged();
}

void THexEdit::warn_if_left_empty() {
  if (!required_field_ || !document()->isEmpty() || hasFocus() || !isVisible()) return;
  prompter_.message(this, Prompter::Kind::Warning, kRequiredFieldWarning);
  setFocus(Qt::OtherFocusReason);
}

}  // namespace kestrel
