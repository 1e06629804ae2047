// A short command APDU as a PC/SC application sends it, taken apart by its four cases. The bytes
// come from any client of pcscd: every length is checked against what is there.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace pelorus::pcsc {

struct CommandApdu {
  uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
  std::span<const uint8_t> data;  // Lc bytes (case 3 and 4)
  int le = 0;                     // 1 to 256 (a byte 00 means 256); 0 when absent (case 1 and 3)
  bool has_le() const { return le > 0; }
};

// nullopt for fewer than 4 bytes, an Lc of 00 (the extended form, which the reader does not
// carry), or an Lc that does not match the bytes that follow.
std::optional<CommandApdu> parse_command_apdu(std::span<const uint8_t> bytes);

}  // namespace pelorus::pcsc
