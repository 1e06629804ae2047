#include "HexText.h"

#include <algorithm>
#include <cstdint>

#include "HexBytes.h"

namespace kestrel::hextext {

namespace {

constexpr char16_t kFirstControlPicture = 0x2400;
constexpr char16_t kLastControlPicture = 0x241F;

std::optional<uint8_t> hex_digit_value(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return static_cast<uint8_t>(u - '0');
  if (u >= 'A' && u <= 'F') return static_cast<uint8_t>(u - 'A' + 10);
  if (u >= 'a' && u <= 'f') return static_cast<uint8_t>(u - 'a' + 10);
  return std::nullopt;
}

// One or two digits read as one hexadecimal number; anything else reads as 0.
uint8_t pair_value(QStringView digits) {
  int value = 0;
  for (const QChar c : digits) {
    const std::optional<uint8_t> digit = hex_digit_value(c);
    if (!digit) return 0;
    value = value * 16 + *digit;
  }
  return static_cast<uint8_t>(value);
}

template <typename Glyphs>
QStringList lines_of(std::span<const uint8_t> bytes, int bytes_per_line, Glyphs append_glyph) {
  QStringList lines;
  for (size_t first = 0; first < bytes.size(); first += static_cast<size_t>(bytes_per_line)) {
    QString line;
    for (const uint8_t byte : bytes.subspan(first, std::min(bytes.size() - first, size_t(bytes_per_line))))
      append_glyph(line, byte);
    lines.append(line);
  }
  return lines;
}

int settle_caret(QStringView text, int position, char16_t below) {
  position = std::clamp(position, 0, static_cast<int>(text.size()));
  while (position < text.size() && text[position].unicode() < below) ++position;
  return position;
}

}  // namespace

QStringList hex_lines(std::span<const uint8_t> bytes, int bytes_per_line) {
  return lines_of(bytes, bytes_per_line, [](QString& line, uint8_t byte) {
    line += QLatin1String(hex_byte(byte)) + QLatin1Char(' ');
  });
}

QStringList ascii_lines(std::span<const uint8_t> bytes, int bytes_per_line) {
  return lines_of(bytes, bytes_per_line, [](QString& line, uint8_t byte) { line += ascii_glyph(byte); });
}

QChar ascii_glyph(uint8_t byte) {
  return byte < 32 ? QChar(static_cast<char16_t>(kFirstControlPicture + byte)) : QChar(static_cast<char16_t>(byte));
}

std::optional<uint8_t> ascii_byte(QChar c) {
  const char16_t u = c.unicode();
  if (u < 32 || (u >= kFirstControlPicture && u <= kLastControlPicture)) return std::nullopt;
  if (u > 0xFF) return static_cast<uint8_t>('?');
  return static_cast<uint8_t>(u);
}

void parse_hex(QStringView text, std::span<uint8_t> bytes) {
  QString digits;
  for (const QChar c : text)
    if (c.unicode() > ' ') digits += c;
  const size_t reached = std::min(static_cast<size_t>(digits.size() + 1) / 2, bytes.size());
  for (size_t i = 0; i < reached; ++i) bytes[i] = pair_value(QStringView(digits).mid(2 * i, 2));
  std::fill(bytes.begin() + reached, bytes.end(), 0);
}

void parse_ascii(QStringView text, std::span<uint8_t> bytes) {
  size_t taken = 0;
  for (const QChar c : text) {
    if (taken == bytes.size()) break;
    if (const std::optional<uint8_t> byte = ascii_byte(c)) bytes[taken++] = *byte;
  }
  std::fill(bytes.begin() + taken, bytes.end(), 0);
}

void blank_replaced_digit(QString& text, int position) {
  const int digit = settle_hex_caret(text, position);
  if (digit < text.size()) text[digit] = u' ';
}

int settle_hex_caret(QStringView text, int position) { return settle_caret(text, position, u'0'); }

int settle_ascii_caret(QStringView text, int position) { return settle_caret(text, position, u' '); }

int byte_index(int position, int bytes_per_line, int chars_per_byte) {
  // In 64 bits: a line of many bytes would overflow the line length in 32.
  const int64_t line_length = int64_t{chars_per_byte} * bytes_per_line + 2;
  const int64_t line = position / line_length;
  const int64_t column = position % line_length;
  return static_cast<int>(line * bytes_per_line + column / chars_per_byte);
}

}  // namespace kestrel::hextext
