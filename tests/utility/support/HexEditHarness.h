// A byte editor in a window of its own, answering to a ScriptedPrompter, and the things a test
// does to it the way a person would: type, paste, move the caret.
#pragma once

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextCursor>
#include <QWidget>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "HexEdit.h"
#include "ScriptedPrompter.h"

namespace kestrel::testing {

// Bytes as the editor shows them in hexadecimal, space-separated: "AB 0C".
inline std::string hex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

struct HexEditHarness {
  HexEditHarness() {
    window.resize(480, 240);
    edit.setGeometry(0, 0, 480, 200);
    window.show();
  }

  void load(const std::vector<uint8_t>& bytes) {
    edit.SetBufferLen(static_cast<int>(bytes.size()));
    edit.SetBuffer(bytes);
  }
  std::string bytes() { return hex(edit.GetBuffer()); }
  QString text() const { return edit.toPlainText(); }

  // Document positions: one position per line break (see HexEdit.h).
  int caret() const { return edit.textCursor().position(); }
  void place_caret(int position) {
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(position);
    edit.setTextCursor(cursor);
  }

  void type(const char* keys) { QTest::keyClicks(&edit, keys); }
  // A key that types any text, as a keyboard layout or compose key may.
  void type_text(const QString& text) { QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, text, Qt::NoModifier); }
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&edit, key, modifiers);
  }
  void paste(const QString& clipboard_text) {
    QApplication::clipboard()->setText(clipboard_text);
    press(Qt::Key_V, Qt::ControlModifier);
  }

  ScriptedPrompter prompter;
  QWidget window;
  THexEdit& edit = *new THexEdit(prompter, &window);  // owned by the window
};

}  // namespace kestrel::testing
