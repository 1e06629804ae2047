#include "command_apdu.h"

namespace pelorus::pcsc {

std::optional<CommandApdu> parse_command_apdu(std::span<const uint8_t> bytes) {
  if (bytes.size() < 4) return std::nullopt;
  CommandApdu apdu{bytes[0], bytes[1], bytes[2], bytes[3], {}, 0};
  const auto body = bytes.subspan(4);
  if (body.empty()) return apdu;  // case 1
  if (body.size() == 1) {         // case 2
    apdu.le = body[0] == 0 ? 256 : body[0];
    return apdu;
  }
  const size_t lc = body[0];
  if (lc == 0) return std::nullopt;  // extended length
  if (body.size() == 1 + lc) {       // case 3
    apdu.data = body.subspan(1, lc);
    return apdu;
  }
  if (body.size() == 2 + lc) {  // case 4
    apdu.data = body.subspan(1, lc);
    apdu.le = body.back() == 0 ? 256 : body.back();
    return apdu;
  }
  return std::nullopt;
}

}  // namespace pelorus::pcsc
