// Codes and passwords with an error counter. The counter is one byte of the card (in its memory
// or its own state); the set bits under a mask are the chances left. A wrong presentation clears
// the highest of them (mask 07: 07, 03, 01, 00), a right one sets them all again, and once none
// is left the code is locked: even the right code is refused.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <span>

namespace kitesim {

class ErrorCounter {
 public:
  ErrorCounter(std::uint8_t& byte, std::uint8_t mask) : byte_(&byte), mask_(mask) {}

  std::uint8_t bits() const { return *byte_ & mask_; }
  bool locked() const { return bits() == 0; }
  void spend() { *byte_ = static_cast<std::uint8_t>(*byte_ & ~std::bit_floor(bits())); }
  void restore() { *byte_ |= mask_; }

 private:
  std::uint8_t* byte_;
  std::uint8_t mask_;
};

enum class CodeCheck { accepted, wrong, locked };

inline CodeCheck check_code(ErrorCounter counter, std::span<const std::uint8_t> stored,
                            std::span<const std::uint8_t> presented) {
  if (counter.locked()) return CodeCheck::locked;
  if (!std::ranges::equal(stored, presented)) {
    counter.spend();
    return CodeCheck::wrong;
  }
  counter.restore();
  return CodeCheck::accepted;
}

}  // namespace kitesim
