// The status words a VELA1 card answers with: the one table of them (the README lists the same).
#pragma once

#include <cstdint>
#include <utility>

#include "kitesim/card.h"

namespace kitesim::vela1 {

struct CardStatus {
  std::uint8_t sw1;
  std::uint8_t sw2;
  friend bool operator==(CardStatus, CardStatus) = default;
};

inline constexpr CardStatus ok{0x90, 0x00};
inline constexpr CardStatus wrong_length{0x67, 0x00};          // Lc or Le does not fit the command
inline constexpr CardStatus security_not_satisfied{0x69, 0x82};  // a code the access needs is missing
inline constexpr CardStatus code_locked{0x69, 0x83};           // no attempts left for this code
inline constexpr CardStatus authentication_missing{0x69, 0x85};  // a purse command needs a prior authentication or the PIN
inline constexpr CardStatus not_allowed_now{0x69, 0x86};       // no file selected, no challenge, nothing to revoke ...
inline constexpr CardStatus wrong_mac{0x69, 0x88};             // the purse command's MAC does not verify
inline constexpr CardStatus file_not_found{0x6A, 0x82};
inline constexpr CardStatus record_not_found{0x6A, 0x83};
inline constexpr CardStatus wrong_parameter{0x6A, 0x86};       // P1 out of range
inline constexpr CardStatus amount_refused{0x6B, 0x20};        // over the maximum balance, or more than the balance
inline constexpr CardStatus unknown_instruction{0x6D, 0x00};
inline constexpr CardStatus wrong_class{0x6E, 0x00};

// 61 xx: xx response bytes wait for GET RESPONSE.
inline constexpr CardStatus response_waiting(std::size_t count) { return {0x61, static_cast<std::uint8_t>(count)}; }
// 63 Cx: a wrong code, x attempts left.
inline constexpr CardStatus wrong_code(unsigned attempts_left) {
  return {0x63, static_cast<std::uint8_t>(0xC0 | (attempts_left & 0x0F))};
}

inline ResponseApdu answer(CardStatus status, Bytes data = {}) { return {std::move(data), status.sw1, status.sw2}; }

}  // namespace kitesim::vela1
