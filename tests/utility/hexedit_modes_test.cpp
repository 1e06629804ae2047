// The editor in text form, and switching between the two forms.
#include <gtest/gtest.h>

#include "HexEditHarness.h"

namespace kestrel::testing {
namespace {

QString text_form(const char16_t* text) { return QString::fromUtf16(text); }

std::vector<uint8_t> bytes_from(int first) {
  std::vector<uint8_t> bytes;
  for (int byte = first; byte < 256; ++byte) bytes.push_back(static_cast<uint8_t>(byte));
  return bytes;
}

TEST(HexEditAscii, EachByteIsOneCharacterAndControlBytesAreVisible) {
  HexEditHarness h;
  h.edit.SetEditMode(THexEdit::dtAscii);
  h.edit.SetBytePerLine(4);
  h.load({'H', 'i', 0x01, 0x0D, 0x0A, 0xE9});
  EXPECT_EQ(h.text(), text_form(u"Hi\u2401\u240D\n\u240A\u00E9"));
}

TEST(HexEditAscii, AnEditDropsTheControlBytesAndFillsTheEndWithZeros) {
  HexEditHarness h;
  h.edit.SetEditMode(THexEdit::dtAscii);
  h.load({0x01, 'A', 'B', 0x02});
  h.press(Qt::Key_End);
  h.type("C");
  EXPECT_EQ(h.bytes(), "41 42 43 00");
  EXPECT_EQ(h.text(), text_form(u"ABC\u2400"));
}

TEST(HexEditAscii, TypingInsertsAnyCharacterAndLosesWhatNoLongerFits) {
  HexEditHarness h;
  h.edit.SetEditMode(THexEdit::dtAscii);
  h.load({'A', 'B'});
  h.type("z");
  EXPECT_EQ(h.bytes(), "7A 41");
  EXPECT_EQ(h.caret(), 1);
  h.type_text(QStringLiteral("\u20AC"));  // a character no byte holds
  EXPECT_EQ(h.bytes(), "7A 3F");
  EXPECT_EQ(h.prompter.beeps, 0);
}

TEST(HexEditAscii, EditedTextKeepsEveryByteFrom32To255) {
  HexEditHarness h;
  h.edit.SetEditMode(THexEdit::dtAscii);
  h.load(bytes_from(32));
  h.press(Qt::Key_Delete);
  std::vector<uint8_t> shifted = bytes_from(33);
  shifted.push_back(0);
  EXPECT_EQ(h.bytes(), hex(shifted));
}

TEST(HexEditModes, SwitchingBackAndForthWithoutEditingKeepsEveryByte) {
  HexEditHarness h;
  h.load(bytes_from(0));
  h.edit.SetEditMode(THexEdit::dtAscii);
  EXPECT_EQ(h.bytes(), hex(bytes_from(0)));
  h.edit.SetBytePerLine(16);
  h.edit.SetEditMode(THexEdit::dtHex);
  EXPECT_EQ(h.bytes(), hex(bytes_from(0)));
}

TEST(HexEditModes, TypedDigitsSurviveTheSwitchToText) {
  HexEditHarness h;
  h.load({0, 0, 0});
  h.type("4142");
  h.edit.SetEditMode(THexEdit::dtAscii);
  EXPECT_EQ(h.text(), text_form(u"AB\u2400"));
  h.edit.SetEditMode(static_cast<THexEdit::TValidEditMode>(7));
  EXPECT_EQ(h.edit.EditMode(), THexEdit::dtAscii);
}

}  // namespace
}  // namespace kestrel::testing
