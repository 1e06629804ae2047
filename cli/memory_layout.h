// A memory card's whole memory as one image: the chip's areas from the memory-card tree that
// Kestrel shows, in address order, with areas that touch joined into one segment. An image holds
// the segments one after the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pelorus {

struct Segment {
  std::int32_t address;  // the card's address of the segment's first byte
  std::int32_t size;
};

struct MemoryLayout {
  std::string chip;
  std::uint8_t card_type = 0;
  std::vector<Segment> segments;

  std::size_t size() const;
  // The card address of an image offset below size().
  std::int32_t address_of(std::size_t offset) const;
};

// A chip of the tree by name ("SLE4442", "AT24C16"), or a card type whose chips all have one
// layout ("LM104"); case-insensitive. Else why not, with the names to choose from.
std::variant<MemoryLayout, std::string> memory_layout(std::string_view name);

// The chip names, for help and errors.
std::string chip_names();

struct Difference {
  std::size_t offset;
  std::size_t length;
};

// The runs where a and b differ over their common length, widened to whole units of
// `granularity` bytes (word-addressed cards write whole words).
std::vector<Difference> differences(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                                    std::size_t granularity = 1);

}  // namespace pelorus
