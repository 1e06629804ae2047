// A plain serial-EEPROM memory card (reader card-type byte 02), no protection:
//   90 addr-high addr-low count   read count bytes
//   91 addr-high addr-low data... write the data
//   84 option                     card options (kept, no effect)
// Accesses past the end of the memory give 67 02; wrong lengths give 67 01.
#pragma once

#include "kitesim/card.h"
#include "memory_image.h"

namespace kitesim {

class IicCard : public Card {
 public:
  IicCard(std::string model, std::size_t size, std::filesystem::path memory_file);

  std::string model() const override { return model_; }
  bool answers_to(std::uint8_t reader_card_type) const override;
  CardReply power_up() override;
  CardReply memory_command(std::uint8_t code, std::span<const std::uint8_t> data) override;
  bool save_memory() override { return memory_.save(); }

 private:
  CardReply read(std::span<const std::uint8_t> data) const;
  CardReply write(std::span<const std::uint8_t> data);
  CardReply options(std::span<const std::uint8_t> data);

  std::string model_;
  MemoryImage memory_;
  std::uint8_t option_ = 0;
};

}  // namespace kitesim
