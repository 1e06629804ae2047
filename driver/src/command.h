// A reader command being built: command code, length byte (the number of data bytes), data.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "frame_codec.h"

namespace pelorus {

class Command {
 public:
  explicit Command(uint8_t code) { bytes_[0] = code; }
  Command(uint8_t code, std::initializer_list<uint8_t> data) : Command(code) {
    for (uint8_t b : data) add(b);
  }

  Command& add(uint8_t b) {
    if (size_ < bytes_.size()) bytes_[size_] = b;
    ++size_;
    bytes_[1] = static_cast<uint8_t>(size_ - 2);
    return *this;
  }
  Command& add(std::span<const uint8_t> data) {
    for (uint8_t b : data) add(b);
    return *this;
  }

  // False when more was added than the command buffer holds; such a command is never sent.
  bool fits() const { return size_ <= bytes_.size(); }

  std::span<const uint8_t> bytes() const { return std::span<const uint8_t>(bytes_).first(std::min(size_, bytes_.size())); }

 private:
  std::array<uint8_t, codec::kCommandCapacity> bytes_{};
  size_t size_ = 2;
};

}  // namespace pelorus
