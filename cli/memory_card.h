// A memory card's whole memory through the library's logical commands: the session for the
// chip's card type, the fuse pin of the code-protected cards, the code or passwords, and reads and
// writes in pieces the reader takes.
#pragma once

#include <optional>
#include <span>

#include "hex.h"
#include "memory_layout.h"
#include "reader.h"

namespace pelorus {

class Progress;

class MemoryCard {
 public:
  // Starts the session and presents the code for reading when one is given; throws Failure.
  MemoryCard(const Reader& reader, MemoryLayout layout, std::optional<Bytes> code);

  // The whole memory as an image of layout().size() bytes.
  Bytes read(Progress& progress);
  // Presents the code for writing when the card has a separate one (once).
  void prepare_writes();
  // Writes image bytes at an image offset.
  void write(std::size_t offset, std::span<const std::uint8_t> bytes, Progress& progress);

  const MemoryLayout& layout() const { return layout_; }
  // Bytes of a write unit: 2 on word-addressed cards, else 1.
  std::size_t granularity() const;

 private:
  void verify(std::uint8_t p1);
  void exchange(QX_APDU& apdu, const std::string& doing);
  std::uint8_t access_p1(std::int32_t address) const;

  MemoryLayout layout_;
  std::optional<Bytes> code_;
  Session session_;
  bool writes_prepared_ = false;
};

}  // namespace pelorus
