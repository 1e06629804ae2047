// The text of the byte editor, apart from any widget: how bytes are laid out as text, how text is
// read back into bytes, and where the caret settles.
//
// The text holds the bytes in lines of a fixed number of bytes; the last line holds what remains.
// As hexadecimal, each byte is two uppercase digits and a space, trailing space included; as
// characters, each byte is one character. Lines are separated by CR LF, with none after the last
// line. Positions in this file count CR LF as two characters.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <span>

namespace kestrel::hextext {

inline constexpr QStringView kLineBreak = u"\r\n";

// The lines that show the bytes (none for no bytes). bytes_per_line is positive.
QStringList hex_lines(std::span<const uint8_t> bytes, int bytes_per_line);
QStringList ascii_lines(std::span<const uint8_t> bytes, int bytes_per_line);

// Bytes shown as characters. A byte below 32 shows as its control picture (U+2400 + byte: a
// visible sign for the control character, never a line break); every other byte as the Latin-1
// character of that code.
QChar ascii_glyph(uint8_t byte);
// The byte that a character of the text stands for; none for the characters below 32 and for the
// control pictures, which are never taken back. A character beyond Latin-1 becomes '?', as an
// 8-bit text box would store it.
std::optional<uint8_t> ascii_byte(QChar c);

// Reads hexadecimal text into bytes: the characters above the space form a digit string, read in
// pairs; a pair that is not two hexadecimal digits gives 0, a lone last digit d gives 0d, and the
// bytes the digits do not reach become 0.
void parse_hex(QStringView text, std::span<uint8_t> bytes);
// Reads text into bytes, one character after the other (see ascii_byte); the bytes the text does
// not reach become 0, characters beyond the bytes are dropped.
void parse_ascii(QStringView text, std::span<uint8_t> bytes);

// Overwriting: blanks the first character at or after position that is not below '0' (the digit
// that a newly typed one replaces), if there is one.
void blank_replaced_digit(QString& text, int position);

// Where the caret settles after the text was laid out again: moved forward from position past
// separators (hexadecimal: everything below '0') or line breaks (characters: everything below a
// space), stopping at the end of the text.
int settle_hex_caret(QStringView text, int position);
int settle_ascii_caret(QStringView text, int position);

// The index of the byte at a text position, by line arithmetic: a line takes
// chars_per_byte × bytes_per_line + 2 positions (3 per byte as hexadecimal, 1 as characters).
int byte_index(int position, int bytes_per_line, int chars_per_byte);

}  // namespace kestrel::hextext
