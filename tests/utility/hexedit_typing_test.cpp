// Typing and pasting into the editor in hexadecimal: overwrite and insert, the key filter,
// deleting, and what a paste takes.
#include <gtest/gtest.h>

#include <QMimeData>
#include <QSignalSpy>

#include "HexEditHarness.h"

namespace kestrel::testing {
namespace {

TEST(HexEditTyping, OverwriteReplacesTheDigitAndSkipsTheSeparator) {
  HexEditHarness h;
  h.load({0xAB, 0xCD});
  QSignalSpy changes(&h.edit, &THexEdit::bufferChanged);
  h.type("1");
  EXPECT_EQ(h.bytes(), "1B CD");
  EXPECT_EQ(h.caret(), 1);  // before B
  h.type("2");
  EXPECT_EQ(h.text(), "12 CD ");
  EXPECT_EQ(h.caret(), 3);  // before C
  EXPECT_EQ(changes.count(), 2);
}

TEST(HexEditTyping, TypingRunsOnAcrossLinesAndTakesLowercase) {
  HexEditHarness h;
  h.load({0, 0, 0, 0, 0});
  h.edit.SetBytePerLine(2);
  h.type("a1b2c3d4e");
  EXPECT_EQ(h.text(), "A1 B2 \nC3 D4 \nE0 ");
  EXPECT_EQ(h.caret(), 15);  // on the 0 after the E
  EXPECT_EQ(h.edit.Start(), 4);
}

TEST(HexEditTyping, InsertModeShiftsTheDigitsRightAndLosesTheLast) {
  HexEditHarness h;
  h.load({0x12, 0x34, 0x56});
  h.edit.SetInsertMode(true);
  h.type("9");
  EXPECT_EQ(h.bytes(), "91 23 45");
  EXPECT_EQ(h.caret(), 1);
}

TEST(HexEditTyping, RefusedKeysBeepAndChangeNothingButCountAsTyped) {
  HexEditHarness h;
  h.load({0xAB, 0xCD});
  h.press(Qt::Key_Right);
  EXPECT_FALSE(h.edit.Modified());
  QSignalSpy changes(&h.edit, &THexEdit::bufferChanged);
  h.type("g !Z");
  EXPECT_EQ(h.prompter.beeps, 4);
  EXPECT_EQ(h.text(), "AB CD ");
  EXPECT_EQ(changes.count(), 0);
  EXPECT_TRUE(h.edit.Modified());
  h.edit.SetModified(false);
  h.load({2});
  EXPECT_FALSE(h.edit.Modified());
}

TEST(HexEditTyping, NoBytesSwallowTypedDigits) {
  HexEditHarness h;
  h.type("12");
  EXPECT_EQ(h.text(), "");
  EXPECT_TRUE(h.edit.GetBuffer().empty());
}

TEST(HexEditTyping, BackspaceInOverwriteModeAlsoTakesTheDigitAfterTheCaret) {
  HexEditHarness h;
  h.load({0xAB, 0xCD});
  h.place_caret(2);
  h.press(Qt::Key_Backspace);
  EXPECT_EQ(h.bytes(), "AD 00");
  EXPECT_EQ(h.caret(), 1);
}

TEST(HexEditTyping, AKeyThatChangesNothingLeavesNoDigitPending) {
  HexEditHarness h;
  h.load({0xAB, 0xCD});
  h.press(Qt::Key_Backspace);  // at the start: nothing to delete
  h.press(Qt::Key_Escape);
  h.press(Qt::Key_Delete);  // no digit typed, so none replaced: the digits shift left
  EXPECT_EQ(h.bytes(), "BC 0D");
}

TEST(HexEditPaste, PastedDigitsOverTheWholeTextAreReadInPairs) {
  HexEditHarness h;
  h.load({0, 0, 0, 0});
  h.edit.selectAll();
  h.paste("12345");
  EXPECT_EQ(h.bytes(), "12 34 05 00");
  EXPECT_TRUE(h.edit.Modified());

  h.load({0, 0});
  h.edit.selectAll();
  h.paste("ABC");
  EXPECT_EQ(h.bytes(), "AB 0C");
  h.edit.selectAll();
  h.paste("G1 22");
  EXPECT_EQ(h.bytes(), "00 22");
}

TEST(HexEditPaste, OnlyTheFirstLineIsTaken) {
  HexEditHarness h;
  h.load({0, 0});
  h.edit.selectAll();
  h.paste("12\r\n34");
  EXPECT_EQ(h.bytes(), "12 00");
}

TEST(HexEditPaste, PastedDigitsAreInsertedEvenWhenOverwriting) {
  HexEditHarness h;
  h.load({0xAB, 0xCD});
  h.paste("1");
  EXPECT_EQ(h.bytes(), "1A BC");
  EXPECT_EQ(h.caret(), 1);
}

TEST(HexEditPaste, AClipboardWithoutTextRemovesTheSelection) {
  HexEditHarness h;
  h.load({0xAB, 0xCD});
  h.edit.selectAll();
  QApplication::clipboard()->setMimeData(new QMimeData);
  h.press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(h.bytes(), "00 00");
}

}  // namespace
}  // namespace kestrel::testing
