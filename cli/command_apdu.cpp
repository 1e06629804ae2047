#include "command_apdu.h"

#include <algorithm>

namespace pelorus {

std::variant<QX_APDU, std::string> split_apdu(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) return std::string("an APDU has at least 4 bytes (CLA INS P1 P2)");
  QX_APDU apdu{};
  apdu.CLA = bytes[0];
  apdu.INS = bytes[1];
  apdu.P1 = bytes[2];
  apdu.P2 = bytes[3];
  if (bytes.size() == 4) return apdu;
  if (bytes.size() == 5) {
    apdu.Le = bytes[4] == 0 ? 256 : bytes[4];
    return apdu;
  }
  const std::size_t lc = bytes[4];
  if (lc == 0) return std::string("Lc 00 with data: extended APDUs are not supported");
  if (bytes.size() != 5 + lc && bytes.size() != 6 + lc)
    return "Lc says " + std::to_string(lc) + " data bytes, but " + std::to_string(bytes.size() - 5) + " bytes follow it";
  apdu.Lc = static_cast<std::int32_t>(lc);
  std::copy_n(bytes.begin() + 5, lc, apdu.DataIn);
  if (bytes.size() == 6 + lc) apdu.Le = bytes.back() == 0 ? 256 : bytes.back();
  return apdu;
}

}  // namespace pelorus
