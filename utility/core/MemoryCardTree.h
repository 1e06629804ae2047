// The chips the Memory Card page lists, grouped by manufacturer, each with the card type its
// sessions use and its memory areas (name, first address, size in bytes). One fixed table.
#pragma once

#include <cstdint>
#include <span>

namespace kestrel {

struct MemoryArea {
  const char* name;
  int32_t start;
  int32_t size;
};

struct MemoryChip {
  const char* name;
  int32_t card_type;
  std::span<const MemoryArea> areas;
};

struct ChipMaker {
  const char* name;
  std::span<const MemoryChip> chips;
};

// The manufacturers in the order the tree lists them.
std::span<const ChipMaker> chip_makers();

}  // namespace kestrel
