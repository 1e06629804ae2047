#include "memory_image.h"

#include <fstream>
#include <stdexcept>

namespace kitesim {

MemoryImage::MemoryImage(std::size_t size, std::filesystem::path file, std::size_t state_size)
    : bytes_(size + state_size, 0xFF), size_(size), file_(std::move(file)) {
  if (file_.empty() || !std::filesystem::exists(file_)) return;
  std::ifstream in(file_, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read card memory file " + file_.string());
  in.read(reinterpret_cast<char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
}

bool MemoryImage::save() const {
  if (file_.empty()) return false;
  std::ofstream out(file_, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace kitesim
