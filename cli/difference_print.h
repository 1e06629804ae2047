// Byte differences of two images as address ranges with their bytes, 16 to a line:
//   0010-0013: 01 02 03 04 | FF FF FF FF
#pragma once

#include <ostream>
#include <span>
#include <vector>

#include "memory_layout.h"

namespace pelorus {

// Addresses are the card's when a layout is given, else offsets in the images.
void print_differences(std::ostream& out, const std::vector<Difference>& runs, std::span<const std::uint8_t> a,
                       std::span<const std::uint8_t> b, const MemoryLayout* layout);

}  // namespace pelorus
