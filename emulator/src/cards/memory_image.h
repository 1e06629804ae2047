// A memory card's bytes, optionally backed by a file that holds the raw image.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kitesim {

class MemoryImage {
 public:
  // Loads the file when it exists (a shorter file fills the start, a longer one is cut);
  // otherwise the memory is erased (all FF). Throws std::runtime_error for an unreadable file.
  MemoryImage(std::size_t size, std::filesystem::path file);

  std::vector<std::uint8_t>& bytes() { return bytes_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  // Writes the image to its file; false when there is no file or writing failed.
  bool save() const;

 private:
  std::vector<std::uint8_t> bytes_;
  std::filesystem::path file_;
};

}  // namespace kitesim
