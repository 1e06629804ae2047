// The answer to reset, byte by byte after ISO/IEC 7816-3: TS, T0, the interface bytes with the
// protocols they announce, the historical bytes and the check byte TCK. The bytes come from a
// card and are not trusted: a short or overlong answer is described, never read past.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hex.h"

namespace pelorus {

struct InterfaceByte {
  std::string name;  // "TA1", "TD2"
  std::uint8_t value;
};

struct Atr {
  std::uint8_t ts = 0;
  std::uint8_t t0 = 0;
  std::vector<InterfaceByte> interface_bytes;
  std::vector<int> protocols;  // in the order the TDi name them; {0} when no TD1
  Bytes historical;
  std::optional<std::uint8_t> tck;
  bool tck_expected = false;  // some protocol other than T=0 was named
  bool tck_correct = false;
  std::size_t missing = 0;  // bytes announced but not there
  Bytes extra;              // bytes after the last announced one
};

// nullopt for an answer of fewer than two bytes.
std::optional<Atr> parse_atr(std::span<const std::uint8_t> bytes);

// One line per part, for people.
std::vector<std::string> explain_atr(const Atr& atr);

}  // namespace pelorus
