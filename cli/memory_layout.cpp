#include "memory_layout.h"

#include <algorithm>
#include <strings.h>

#include "MemoryCardTree.h"
#include "card_types.h"

namespace pelorus {
namespace {

bool same_name(std::string_view a, const char* b) {
  return a.size() == std::char_traits<char>::length(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

MemoryLayout layout_of(const kestrel::MemoryChip& chip) {
  MemoryLayout layout{chip.name, static_cast<std::uint8_t>(chip.card_type), {}};
  std::vector<kestrel::MemoryArea> areas(chip.areas.begin(), chip.areas.end());
  std::sort(areas.begin(), areas.end(), [](const auto& x, const auto& y) { return x.start < y.start; });
  for (const kestrel::MemoryArea& area : areas) {
    if (!layout.segments.empty() && layout.segments.back().address + layout.segments.back().size >= area.start) {
      Segment& last = layout.segments.back();
      last.size = std::max(last.size, area.start + area.size - last.address);
    } else {
      layout.segments.push_back({area.start, area.size});
    }
  }
  return layout;
}

bool same_segments(const MemoryLayout& a, const MemoryLayout& b) {
  return std::equal(a.segments.begin(), a.segments.end(), b.segments.begin(), b.segments.end(),
                    [](const Segment& x, const Segment& y) { return x.address == y.address && x.size == y.size; });
}

}  // namespace

std::size_t MemoryLayout::size() const {
  std::size_t total = 0;
  for (const Segment& s : segments) total += static_cast<std::size_t>(s.size);
  return total;
}

std::int32_t MemoryLayout::address_of(std::size_t offset) const {
  for (const Segment& s : segments) {
    if (offset < static_cast<std::size_t>(s.size)) return s.address + static_cast<std::int32_t>(offset);
    offset -= static_cast<std::size_t>(s.size);
  }
  return -1;
}

std::variant<MemoryLayout, std::string> memory_layout(std::string_view name) {
  for (const kestrel::ChipMaker& maker : kestrel::chip_makers())
    for (const kestrel::MemoryChip& chip : maker.chips)
      if (same_name(name, chip.name)) return layout_of(chip);

  const auto type = card_type_by_name(name);
  if (!type || !is_memory_card(*type)) return "no memory chip or memory card type " + std::string(name) + "; chips: " + chip_names();
  std::vector<MemoryLayout> layouts;
  std::string chips;
  for (const kestrel::ChipMaker& maker : kestrel::chip_makers())
    for (const kestrel::MemoryChip& chip : maker.chips)
      if (chip.card_type == *type) {
        layouts.push_back(layout_of(chip));
        chips += (chips.empty() ? "" : ", ") + std::string(chip.name);
      }
  if (layouts.empty()) return "no chip of card type " + card_type_name(*type) + " has a known memory layout";
  for (const MemoryLayout& other : layouts)
    if (!same_segments(other, layouts.front()))
      return "the chips of card type " + card_type_name(*type) + " differ in size; name the chip: " + chips;
  MemoryLayout layout = layouts.front();
  layout.chip = card_type_name(*type);
  return layout;
}

std::string chip_names() {
  std::string names;
  for (const kestrel::ChipMaker& maker : kestrel::chip_makers())
    for (const kestrel::MemoryChip& chip : maker.chips) names += (names.empty() ? "" : " ") + std::string(chip.name);
  return names;
}

std::vector<Difference> differences(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                                    std::size_t granularity) {
  const std::size_t common = std::min(a.size(), b.size());
  std::vector<Difference> runs;
  for (std::size_t unit = 0; unit < common; unit += granularity) {
    const std::size_t end = std::min(unit + granularity, common);
    if (std::equal(a.begin() + static_cast<std::ptrdiff_t>(unit), a.begin() + static_cast<std::ptrdiff_t>(end),
                   b.begin() + static_cast<std::ptrdiff_t>(unit)))
      continue;
    if (!runs.empty() && runs.back().offset + runs.back().length == unit) {
      runs.back().length += end - unit;
    } else {
      runs.push_back({unit, end - unit});
    }
  }
  return runs;
}

}  // namespace pelorus
