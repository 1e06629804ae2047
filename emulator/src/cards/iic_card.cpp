#include "iic_card.h"

#include <algorithm>

namespace kitesim {
namespace {

constexpr std::uint8_t iic_type = 0x02;

std::size_t address_of(std::span<const std::uint8_t> data) {
  return static_cast<std::size_t>(data[0] << 8 | data[1]);
}

}  // namespace

IicCard::IicCard(std::string model, std::size_t size, std::filesystem::path memory_file)
    : model_(std::move(model)), memory_(size, std::move(memory_file)) {}

bool IicCard::answers_to(std::uint8_t reader_card_type) const { return reader_card_type == iic_type; }

CardReply IicCard::power_up() { return {sw::ok, {}}; }

CardReply IicCard::memory_command(std::uint8_t code, std::span<const std::uint8_t> data) {
  switch (code) {
    case 0x90: return read(data);
    case 0x91: return write(data);
    case 0x84: return options(data);
    default: return {sw::card_type_not_supported, {}};
  }
}

CardReply IicCard::read(std::span<const std::uint8_t> data) const {
  if (data.size() != 3) return {sw::wrong_length, {}};
  std::size_t address = address_of(data);
  std::size_t count = data[2];
  const auto& bytes = memory_.bytes();
  if (address + count > bytes.size()) return {sw::address_out_of_range, {}};
  auto first = bytes.begin() + static_cast<std::ptrdiff_t>(address);
  return {sw::ok, Bytes(first, first + static_cast<std::ptrdiff_t>(count))};
}

CardReply IicCard::write(std::span<const std::uint8_t> data) {
  if (data.size() < 2) return {sw::wrong_length, {}};
  std::size_t address = address_of(data);
  auto payload = data.subspan(2);
  auto& bytes = memory_.bytes();
  if (address + payload.size() > bytes.size()) return {sw::address_out_of_range, {}};
  std::copy(payload.begin(), payload.end(), bytes.begin() + static_cast<std::ptrdiff_t>(address));
  return {sw::ok, {}};
}

CardReply IicCard::options(std::span<const std::uint8_t> data) {
  if (data.size() != 1) return {sw::wrong_length, {}};
  option_ = data[0];
  return {sw::ok, {}};
}

}  // namespace kitesim
