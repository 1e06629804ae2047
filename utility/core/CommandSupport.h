// The card types as the utility knows them, in one table: each code with the name the Commands
// page lists it by, and the logical memory-card commands the utility's dialogs offer for it.
// This is the utility's own command support table; where it offers a command the reader library
// refuses, the library's -1005 reaches the user as the dialog's error message.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace kestrel {

inline constexpr int kCommandCount = 19;  // INS 1 to 19

struct CardType {
  int code;          // 0 to 25
  const char* name;  // "1 - LM104"
  std::array<uint8_t, kCommandCount> offered;  // INS 1 to 19: 1 where the dialogs offer it
};

// Codes 0 ("Auto detect") to 25, in order: an entry's position is its code.
std::span<const CardType> card_types();

// The flag for card type 1 to 25 and INS 1 to 19; false for anything outside.
bool command_offered(int card_type, int ins);

}  // namespace kestrel
