// The library's card types as the command line names them, with the reader's card-type byte
// that each one selects (the information block's mask is by that byte).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pelorus {

struct CardTypeName {
  std::uint8_t code;          // QX_CARD_*
  const char* name;           // "LM104", "T0", "SAM"
  int reader_byte;            // the byte the session start selects; -1: the security module
};

// Codes 0 to 25 in order.
std::span<const CardTypeName> card_type_names();

// A name or a code ("T1", "lm2ks", "15"), case-insensitive.
std::optional<std::uint8_t> card_type_by_name(std::string_view name);

std::string card_type_name(std::uint8_t code);

bool is_memory_card(std::uint8_t code);

}  // namespace pelorus
