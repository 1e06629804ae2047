// Random typing, applied both to the editor and to a reference written separately from the rules
// (plain strings, CR LF line breaks, text positions), compared after every key.
#include <gtest/gtest.h>

#include <QTextBlock>

#include <algorithm>
#include <random>
#include <string>

#include "HexEditHarness.h"

namespace kestrel::testing {
namespace {

class ReferenceEditor {
 public:
  ReferenceEditor(std::vector<uint8_t> bytes, int per_line, bool ascii)
      : bytes_(std::move(bytes)), per_line_(per_line), ascii_(ascii) {
    text_ = layout();
  }

  void type(char16_t c) {
    if (!ascii_) {
      if (c >= 'a' && c <= 'f') c = static_cast<char16_t>(c - 'a' + 'A');
      if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
        ++beeps;
        return;
      }
    }
    text_.insert(caret_++, 1, c);
    take_edit(!ascii_);
  }
  void backspace() {
    if (caret_ == 0) return;
    const int width = caret_ >= 2 && text_.compare(caret_ - 2, 2, u"\r\n") == 0 ? 2 : 1;
    caret_ -= width;
    text_.erase(caret_, width);
    take_edit(!ascii_);
  }
  void del() {
    if (caret_ == size()) return;
    text_.erase(caret_, text_[caret_] == '\r' ? 2 : 1);
    take_edit(false);
  }
  void left() {
    if (caret_ > 0 && text_[--caret_] == '\n') --caret_;
  }
  void right() {
    if (caret_ < size() && text_[caret_++] == '\r') ++caret_;
  }
  void home() {
    const size_t line_break = caret_ == 0 ? std::u16string::npos : text_.rfind(u'\n', caret_ - 1);
    caret_ = line_break == std::u16string::npos ? 0 : static_cast<int>(line_break) + 1;
  }
  void end() {
    const size_t line_break = text_.find(u'\r', caret_);
    caret_ = line_break == std::u16string::npos ? size() : static_cast<int>(line_break);
  }
  void click(int position) { caret_ = position < size() && text_[position] == '\n' ? position + 1 : position; }
  void set_insert(bool insert) { insert_ = insert; }

  int size() const { return static_cast<int>(text_.size()); }
  const std::u16string& text() const { return text_; }
  int caret() const { return caret_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  int beeps = 0;

 private:
  // The text changed: drop the digit a typed one replaces, read the text, lay it out again.
  void take_edit(bool typed) {
    if (typed && !insert_) {
      int p = caret_;
      while (p < size() && text_[p] < '0') ++p;
      if (p < size()) text_[p] = ' ';
    }
    ascii_ ? read_characters() : read_digits();
    text_ = layout();
    caret_ = std::min(caret_, size());
    while (caret_ < size() && text_[caret_] < (ascii_ ? ' ' : '0')) ++caret_;
  }
  void read_digits() {
    std::string digits;
    for (const char16_t c : text_)
      if (c > ' ') digits += c < 128 ? static_cast<char>(c) : '?';
    const int n = std::min((static_cast<int>(digits.size()) - 1) / 2 + 1, static_cast<int>(bytes_.size()));
    std::fill(bytes_.begin(), bytes_.end(), 0);
    for (size_t i = 0; i < static_cast<size_t>(std::max(n, 0)); ++i) {
      const std::string pair = digits.substr(2 * i, 2);
      const bool hex = !pair.empty() && std::all_of(pair.begin(), pair.end(), [](char c) { return std::isxdigit(c); });
      bytes_[i] = hex ? static_cast<uint8_t>(std::stoi(pair, nullptr, 16)) : 0;
    }
  }
  void read_characters() {
    std::vector<uint8_t> read;
    for (const char16_t c : text_)
      if (c >= 32 && !(c >= 0x2400 && c <= 0x241F)) read.push_back(c > 255 ? '?' : static_cast<uint8_t>(c));
    read.resize(bytes_.size(), 0);
    bytes_ = read;
  }
  std::u16string layout() const {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    for (size_t i = 0; i < bytes_.size(); ++i) {
      if (i > 0 && i % static_cast<size_t>(per_line_) == 0) text += u"\r\n";
      const uint8_t b = bytes_[i];
      if (ascii_)
        text += b < 32 ? static_cast<char16_t>(0x2400 + b) : static_cast<char16_t>(b);
      else
        text += {kDigits[b >> 4], kDigits[b & 15], u' '};
    }
    return text;
  }

  std::vector<uint8_t> bytes_;
  std::u16string text_;
  int caret_ = 0;
  int per_line_;
  bool ascii_;
  bool insert_ = false;
};

std::u16string editor_text(const THexEdit& edit) {
  std::u16string text;
  for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
    if (block != edit.document()->begin()) text += u"\r\n";
    text += block.text().toStdU16String();
  }
  return text;
}

int editor_caret(const THexEdit& edit) { return edit.textCursor().position() + edit.textCursor().blockNumber(); }

struct Shape {
  int length;
  int per_line;
};

void run_random_typing(unsigned seed, bool ascii, int steps) {
  static constexpr Shape kShapes[] = {{0, 8}, {1, 8}, {2, 1}, {3, 8}, {5, 2}, {10, 8}, {17, 4}, {24, 3}, {40, 16}};
  std::mt19937 random(seed);
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const Shape shape = kShapes[below(std::size(kShapes))];
  std::vector<uint8_t> bytes(static_cast<size_t>(shape.length));
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(below(256));

  HexEditHarness h;
  h.edit.setLineWrapMode(QPlainTextEdit::NoWrap);  // lines are blocks, for Home and End
  h.edit.SetEditMode(ascii ? THexEdit::dtAscii : THexEdit::dtHex);
  h.edit.SetBytePerLine(shape.per_line);
  h.load(bytes);
  ReferenceEditor model(bytes, shape.per_line, ascii);

  struct Key {
    const char* name;
    Qt::Key key;
    void (ReferenceEditor::*apply)();
  };
  static const Key kKeys[] = {
      {"<BS>", Qt::Key_Backspace, &ReferenceEditor::backspace}, {"<BS>", Qt::Key_Backspace, &ReferenceEditor::backspace},
      {"<DEL>", Qt::Key_Delete, &ReferenceEditor::del},         {"<DEL>", Qt::Key_Delete, &ReferenceEditor::del},
      {"<L>", Qt::Key_Left, &ReferenceEditor::left},            {"<R>", Qt::Key_Right, &ReferenceEditor::right},
      {"<HOME>", Qt::Key_Home, &ReferenceEditor::home},         {"<END>", Qt::Key_End, &ReferenceEditor::end},
  };
  static constexpr char kHexKeys[] = "0123456789abcdefABCDEFxyzG ";

  std::string keys;
  for (int step = 0; step < steps; ++step) {
    const int roll = below(100);
    if (roll < 45) {
      const char c = ascii ? static_cast<char>(32 + below(95)) : kHexKeys[below(sizeof kHexKeys - 1)];
      h.type(std::string(1, c).c_str());
      model.type(static_cast<char16_t>(c));
      keys += c;
    } else if (roll < 87) {
      const Key& key = kKeys[below(std::size(kKeys))];
      h.press(key.key);
      (model.*key.apply)();
      keys += key.name;
    } else if (roll < 96) {
      model.click(below(model.size() + 1));
      const auto before_caret = model.text().begin() + model.caret();
      h.place_caret(model.caret() - static_cast<int>(std::count(model.text().begin(), before_caret, u'\n')));
      keys += "<@" + std::to_string(model.caret()) + ">";
    } else {
      const bool insert = !h.edit.InsertMode();
      h.edit.SetInsertMode(insert);
      model.set_insert(insert);
      keys += insert ? "<INS>" : "<OVR>";
    }
    ASSERT_EQ(editor_text(h.edit), model.text()) << "seed " << seed << " after " << keys;
    ASSERT_EQ(editor_caret(h.edit), model.caret()) << "seed " << seed << " after " << keys;
    ASSERT_EQ(h.bytes(), hex(model.bytes())) << "seed " << seed << " after " << keys;
    ASSERT_EQ(h.prompter.beeps, model.beeps) << "seed " << seed << " after " << keys;
  }
}

TEST(HexEditDifferential, RandomTypingInHexMatchesTheReference) {
  for (unsigned seed = 1; seed <= 60; ++seed) run_random_typing(seed, false, 150);
}

TEST(HexEditDifferential, RandomTypingInTextFormMatchesTheReference) {
  for (unsigned seed = 1; seed <= 30; ++seed) run_random_typing(seed, true, 150);
}

}  // namespace
}  // namespace kestrel::testing
