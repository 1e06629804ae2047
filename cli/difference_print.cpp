#include "difference_print.h"

#include <algorithm>

#include "hex.h"

namespace pelorus {
namespace {

constexpr std::size_t kLine = 16;

std::string address_text(std::size_t offset, const MemoryLayout* layout) {
  const auto address = layout ? static_cast<std::uint32_t>(layout->address_of(offset)) : static_cast<std::uint32_t>(offset);
  return hex_number(address, address > 0xFFFF ? 8 : 4);
}

}  // namespace

void print_differences(std::ostream& out, const std::vector<Difference>& runs, std::span<const std::uint8_t> a,
                       std::span<const std::uint8_t> b, const MemoryLayout* layout) {
  for (const Difference& run : runs) {
    for (std::size_t at = run.offset; at < run.offset + run.length; at += kLine) {
      const std::size_t count = std::min(kLine, run.offset + run.length - at);
      out << address_text(at, layout) << '-' << address_text(at + count - 1, layout) << ": " << hex_text(a.subspan(at, count))
          << " | " << hex_text(b.subspan(at, count)) << '\n';
    }
  }
}

}  // namespace pelorus
