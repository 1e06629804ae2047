#include "HexText.h"

#include <gtest/gtest.h>

#include <climits>

namespace kestrel::hextext {
namespace {

TEST(HexText, EveryByteHasAVisibleGlyphThatReadsBackExceptTheControlBytes) {
  for (int byte = 0; byte < 256; ++byte) {
    const QChar glyph = ascii_glyph(static_cast<uint8_t>(byte));
    EXPECT_GE(glyph.unicode(), 32) << byte;
    EXPECT_EQ(ascii_byte(glyph), byte < 32 ? std::nullopt : std::optional<uint8_t>(byte)) << byte;
  }
  EXPECT_EQ(ascii_byte(QChar(0x20AC)), '?');
}

TEST(HexText, ByteIndexFollowsTheLineArithmeticEvenForVeryLongLines) {
  EXPECT_EQ(byte_index(12, 10, 1), 10);  // text form: 10 characters and CR LF per line
  EXPECT_EQ(byte_index(100, INT_MAX, 3), 33);
}

}  // namespace
}  // namespace kestrel::hextext
