#include "memory_card.h"

namespace kitesim {

MemoryCard::MemoryCard(std::string model, std::uint8_t type_byte, std::size_t memory_size, std::size_t state_size,
                       const std::filesystem::path& file)
    : model_(std::move(model)), type_byte_(type_byte), image_(memory_size, file, state_size) {}

CardReply MemoryCard::power_up() {
  forget_session();
  return {sw::ok, {}};
}

void MemoryCard::serve(std::uint8_t code, std::size_t min_data, std::size_t max_data, Handler handler) {
  routes_.push_back({code, min_data, max_data, std::move(handler)});
}

CardReply MemoryCard::memory_command(std::uint8_t code, Data data) {
  bool served = false;
  for (const Route& route : routes_) {
    if (route.code != code) continue;
    served = true;
    if (data.size() >= route.min_data && data.size() <= route.max_data) return route.handler(data);
  }
  return {served ? sw::wrong_length : sw::card_type_not_supported, {}};
}

}  // namespace kitesim
