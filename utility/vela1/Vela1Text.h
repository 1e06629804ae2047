// How the VELA1 windows turn card values into text and typed text into card bytes.
#pragma once

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>

namespace kestrel {

// A file identifier as four upper-case hexadecimal digits ("1001", "FF02").
inline QString file_identifier_text(int32_t identifier) {
  return QStringLiteral("%1").arg(identifier & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

// The first N characters of a typed key or reference, filled up with zero bytes.
template <size_t N>
std::array<uint8_t, N> typed_bytes(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  std::array<uint8_t, N> out{};
  std::copy_n(bytes.constData(), std::min<size_t>(static_cast<size_t>(bytes.size()), N), out.begin());
  return out;
}

}  // namespace kestrel
