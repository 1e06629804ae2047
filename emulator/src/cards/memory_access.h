// Bounded access to card memory for the command handlers: every address and count that comes
// from the reader is checked against the memory before a byte is touched.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "kitesim/card.h"

namespace kitesim {

// A reply's length byte counts its data: no memory card answers more than this.
inline constexpr std::size_t max_reply_data = 255;

inline std::size_t address_of(std::uint8_t high, std::uint8_t low) { return std::size_t{high} << 8 | low; }

// Whether [address, address + count) lies inside a memory of `size` bytes.
inline bool fits(std::size_t address, std::size_t count, std::size_t size) {
  return address <= size && count <= size - address;
}

// A range of card memory: an area of a card's memory map.
struct CardArea {
  std::size_t start = 0;
  std::size_t size = 0;
  bool contains(std::size_t address) const { return address >= start && address - start < size; }
};

inline CardReply answer(StatusWord status) { return {status, {}}; }
inline CardReply answer(Bytes data) { return {sw::ok, std::move(data)}; }

// count bytes from address: 67 02 outside the memory, 67 01 for more than a reply carries.
CardReply read_bytes(std::span<const std::uint8_t> memory, std::size_t address, std::size_t count);

// Which bytes a write must leave as they are, by address.
using LockedByte = std::function<bool(std::size_t address)>;

// Writes data at address: 67 02 outside the memory (nothing written). A byte that `locked`
// names keeps its value; when it would have changed the others are still written and the answer
// is 67 04, so the PC learns that the memory does not hold what it sent.
CardReply write_bytes(std::span<std::uint8_t> memory, std::size_t address, std::span<const std::uint8_t> data,
                      const LockedByte& locked = {});

}  // namespace kitesim
