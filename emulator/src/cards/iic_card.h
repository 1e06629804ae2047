// A plain serial-EEPROM memory card (reader card-type byte 02), no protection:
//   90 addr-high addr-low count   read count bytes
//   91 addr-high addr-low data... write the data
//   84 option                     card options (kept, no effect)
// Accesses past the end of the memory give 67 02; wrong lengths give 67 01.
#pragma once

#include "memory_card.h"

namespace kitesim {

class IicCard : public MemoryCard {
 public:
  IicCard(std::string model, std::size_t size, const std::filesystem::path& memory_file);

 private:
  std::uint8_t option_ = 0;
};

}  // namespace kitesim
