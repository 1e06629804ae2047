// Layout of the bytes, lengths, line widths, the byte at the caret and the properties.
#include <gtest/gtest.h>

#include <QFontInfo>

#include "HexEditHarness.h"

namespace kestrel::testing {
namespace {

std::vector<uint8_t> counting(int count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  return bytes;
}

TEST(HexEditLayout, NewEditorIsAnEmptyHexEditorInAFixedPitchFont) {
  HexEditHarness h;
  EXPECT_EQ(h.edit.BufferLen(), 0);
  EXPECT_EQ(h.edit.BytePerLine(), 8);
  EXPECT_EQ(h.edit.EditMode(), THexEdit::dtHex);
  EXPECT_FALSE(h.edit.InsertMode() || h.edit.Modified() || h.edit.RequiredField());
  EXPECT_EQ(h.text(), "");
  EXPECT_TRUE(QFontInfo(h.edit.font()).fixedPitch());
}

TEST(HexEditLayout, BytesFillLinesWithATrailingSpaceAndNoBreakAfterTheLast) {
  HexEditHarness h;
  h.load({1, 2, 3});
  EXPECT_EQ(h.text(), "01 02 03 ");
  h.load(counting(10));
  EXPECT_EQ(h.text(), "00 01 02 03 04 05 06 07 \n08 09 ");
  h.load(counting(16));
  EXPECT_EQ(h.text(), "00 01 02 03 04 05 06 07 \n08 09 0A 0B 0C 0D 0E 0F ");
}

TEST(HexEditLayout, NoBytesOrANegativeLengthShowNothing) {
  HexEditHarness h;
  h.load({});
  EXPECT_EQ(h.text(), "");
  h.edit.SetBufferLen(-4);
  h.edit.SetBuffer(counting(4));
  EXPECT_EQ(h.text(), "");
  EXPECT_TRUE(h.edit.GetBuffer().empty());
}

TEST(HexEditLayout, LengthAbove1024IsRefusedWithAMessage) {
  HexEditHarness h;
  h.edit.SetBufferLen(1024);
  EXPECT_TRUE(h.prompter.messages.empty());
  h.edit.SetBufferLen(1025);
  EXPECT_EQ(h.edit.BufferLen(), 1024);
  ASSERT_EQ(h.prompter.messages.size(), 1u);
  EXPECT_EQ(h.prompter.messages[0].kind, Prompter::Kind::Error);
  EXPECT_EQ(h.prompter.messages[0].text, "Error : Buffer length is too long");
}

TEST(HexEditLayout, SetBufferTakesBufferLenBytesAndNoMoreThanItIsGiven) {
  HexEditHarness h;
  h.edit.SetBufferLen(2);
  h.edit.SetBuffer(counting(5));
  EXPECT_EQ(h.bytes(), "00 01");
  h.edit.SetBufferLen(4);
  h.edit.SetBuffer(std::vector<uint8_t>{9});
  EXPECT_EQ(h.bytes(), "09 00 00 00");
}

TEST(HexEditLayout, NewLengthShowsAtTheNextLayoutAndAddsZeros) {
  HexEditHarness h;
  h.load({1, 2, 3, 4});
  h.edit.SetBufferLen(2);
  h.edit.SetBufferLen(6);
  EXPECT_EQ(h.text(), "01 02 03 04 ");  // not laid out again
  EXPECT_EQ(h.bytes(), "01 02 03 04 00 00");
  h.edit.SetBytePerLine(4);
  EXPECT_EQ(h.text(), "01 02 03 04 \n00 00 ");
}

TEST(HexEditLayout, LineWidthOfZeroOrLessIsEight) {
  HexEditHarness h;
  h.load(counting(4));
  h.edit.SetBytePerLine(2);
  EXPECT_EQ(h.text(), "00 01 \n02 03 ");
  h.edit.SetBytePerLine(0);
  EXPECT_EQ(h.edit.BytePerLine(), 8);
  h.edit.setProperty("BytePerLine", -3);
  EXPECT_EQ(h.edit.BytePerLine(), 8);
  EXPECT_EQ(h.text(), "00 01 02 03 ");
}

TEST(HexEditLayout, StartIsTheByteAtTheCaret) {
  HexEditHarness h;
  h.load(counting(16));
  h.place_caret(7);  // second digit of the third byte
  EXPECT_EQ(h.edit.Start(), 2);
  h.place_caret(25);  // start of the second line
  EXPECT_EQ(h.edit.Start(), 8);
  h.place_caret(25 + 10);
  EXPECT_EQ(h.edit.Start(), 11);
  h.edit.setProperty("EditMode", THexEdit::dtAscii);
  h.place_caret(9 + 3);  // fourth character of the second line
  EXPECT_EQ(h.edit.property("Start").toInt(), 11);
  EXPECT_FALSE(h.edit.setProperty("Start", 1));
}

TEST(HexEditLayout, RightAlignmentMovesTheTextRight) {
  HexEditHarness h;
  h.load({1});
  const int left = h.edit.cursorRect().x();
  h.edit.SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
  EXPECT_EQ(h.edit.Alignment(), Qt::AlignRight);
  EXPECT_GT(h.edit.cursorRect().x(), left + 100);
  EXPECT_FALSE(h.edit.Modified());
}

}  // namespace
}  // namespace kestrel::testing
