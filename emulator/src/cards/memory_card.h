// What every memory card shares: its model name and reader card-type byte, its memory image, and
// the table of reader commands it serves. A card model fills the table in its constructor with
// serve(); memory_command() then answers
//   60 03  for a command code the card does not serve,
//   67 01  for a served code whose data count fits none of its forms,
// and hands everything else to the handler. Handlers get untrusted bytes: they bound every
// address and count against the memory (memory_access.h).
#pragma once

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "kitesim/card.h"
#include "memory_image.h"

namespace kitesim {

using Data = std::span<const std::uint8_t>;

class MemoryCard : public Card {
 public:
  MemoryCard(const MemoryCard&) = delete;
  MemoryCard& operator=(const MemoryCard&) = delete;

  std::string model() const override { return model_; }
  bool answers_to(std::uint8_t reader_card_type) const override { return reader_card_type == type_byte_; }
  // Memory cards give no answer to reset. Power-up and power-down both end what the card
  // remembers of a session (codes presented).
  CardReply power_up() override;
  void power_down() override { forget_session(); }
  CardReply memory_command(std::uint8_t code, Data data) final;
  bool save_memory() override { return image_.save(); }

 protected:
  using Handler = std::function<CardReply(Data)>;
  static constexpr std::size_t any_count = std::numeric_limits<std::size_t>::max();

  // state_size: bytes of the card's own state kept after the memory (memory_image.h).
  MemoryCard(std::string model, std::uint8_t type_byte, std::size_t memory_size, std::size_t state_size,
             const std::filesystem::path& file);

  // Serves reader command `code` with min_data to max_data data bytes.
  void serve(std::uint8_t code, std::size_t min_data, std::size_t max_data, Handler handler);
  void serve(std::uint8_t code, std::size_t data_count, Handler handler) {
    serve(code, data_count, data_count, std::move(handler));
  }

  virtual void forget_session() {}

  std::span<std::uint8_t> memory() { return image_.bytes(); }
  std::span<const std::uint8_t> memory() const { return image_.bytes(); }
  std::span<std::uint8_t> state() { return image_.state(); }
  std::span<const std::uint8_t> state() const { return image_.state(); }

 private:
  struct Route {
    std::uint8_t code;
    std::size_t min_data;
    std::size_t max_data;
    Handler handler;
  };

  std::string model_;
  std::uint8_t type_byte_;
  MemoryImage image_;
  std::vector<Route> routes_;
};

}  // namespace kitesim
