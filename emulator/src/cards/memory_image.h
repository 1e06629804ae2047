// A memory card's bytes, optionally backed by a file that holds the raw image.
//
// The image is the card's memory, followed by the card's own state that no read reaches
// (protection bits, codes, error counters, passwords, fuses) when the card has any. Both start
// erased (all FF), so every card model chooses its state encoding such that FF is the state of a
// new card.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace kitesim {

class MemoryImage {
 public:
  // Loads the file when it exists (a shorter file fills the start, a longer one is cut);
  // otherwise everything is erased (all FF). Throws std::runtime_error for an unreadable file.
  MemoryImage(std::size_t size, std::filesystem::path file, std::size_t state_size = 0);

  // The card's memory.
  std::span<std::uint8_t> bytes() { return std::span(bytes_).first(size_); }
  std::span<const std::uint8_t> bytes() const { return std::span(bytes_).first(size_); }
  // The card's own state, after the memory in the file.
  std::span<std::uint8_t> state() { return std::span(bytes_).subspan(size_); }
  std::span<const std::uint8_t> state() const { return std::span(bytes_).subspan(size_); }
  // Writes the image to its file; false when there is no file or writing failed.
  bool save() const;

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t size_;
  std::filesystem::path file_;
};

}  // namespace kitesim
