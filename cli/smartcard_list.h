// Card names from pcsc-tools' list of answers to reset (/usr/share/pcsc/smartcard_list.txt): an
// answer in the list's form (uppercase hex bytes, "." for any digit) on a line of its own, the
// descriptions under it on lines that start with a tab, "#" comments.
#pragma once

#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <vector>

namespace pelorus {

inline constexpr const char* kSmartcardListPath = "/usr/share/pcsc/smartcard_list.txt";

// The description lines of every entry that matches the answer, in the list's order.
std::vector<std::string> smartcard_names(std::istream& list, std::span<const std::uint8_t> atr);

}  // namespace pelorus
