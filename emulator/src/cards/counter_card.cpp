#include "counter_card.h"

#include <algorithm>

#include "error_counter.h"
#include "memory_access.h"

namespace kitesim {
namespace {

constexpr std::size_t first_stage = 8;
constexpr std::size_t stage_count = 5;
constexpr std::uint8_t code_selector = 0x09;
constexpr std::uint8_t three_chances = 0x07;

enum WriteMode : std::uint8_t { plain = 0, carry_only = 1, carry_with_backup = 3 };

// The card's state: the transport code, then its error counter.
constexpr std::size_t code_length = 3;
constexpr std::size_t state_size = code_length + 1;

bool is_stage(std::size_t address) { return address >= first_stage && address < first_stage + stage_count; }
bool only_clears_bits(std::uint8_t old_value, std::uint8_t new_value) { return (new_value & ~old_value) == 0; }

std::uint16_t crc16(std::uint16_t crc, Data bytes) {
  for (std::uint8_t byte : bytes) {
    crc = static_cast<std::uint16_t>(crc ^ byte << 8);
    for (int bit = 0; bit < 8; ++bit) crc = static_cast<std::uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
  }
  return crc;
}

}  // namespace

CounterCard::CounterCard(const CounterCardModel& model, const std::filesystem::path& file)
    : MemoryCard(model.name, model.type_byte, model.size, state_size, file), model_(model) {
  serve(0x90, 3, [this](Data d) { return read(d); });
  serve(0x91, 4, [this](Data d) { return write(d); });
  serve(0x92, 1 + code_length, [this](Data d) { return verify(d); });
  if (model.erase) serve(0x95, 3, [this](Data d) { return erase(d); });
  if (model.challenge == Challenge::six_bytes)
    serve(0x96, 8, [this](Data d) { return authenticate(d[0], d.subspan(2), d[1]); });
  if (model.challenge == Challenge::four_bytes)
    serve(0x96, 4, [this](Data d) { return authenticate(0, d, std::nullopt); });
}

bool CounterCard::is_key(std::size_t address) const {
  return std::ranges::any_of(model_.keys, [&](const CardArea& key) { return key.contains(address); });
}

CardReply CounterCard::read(Data d) const {
  std::size_t address = address_of(d[0], d[1]);
  CardReply reply = read_bytes(memory(), address, d[2]);
  for (std::size_t i = 0; i < reply.data.size(); ++i)
    if (is_key(address + i)) reply.data[i] = 0x00;
  return reply;
}

CardReply CounterCard::write(Data d) {
  std::size_t address = address_of(d[0], d[1]);
  if (address >= memory().size()) return answer(sw::address_out_of_range);
  switch (d[2]) {
    case plain: return write_byte(address, d[3]);
    case carry_only: return carry(address, d[3], false);
    case carry_with_backup: return carry(address, d[3], true);
    default: return answer(sw::parameter_refused);
  }
}

CardReply CounterCard::write_byte(std::size_t address, std::uint8_t value) {
  std::uint8_t& byte = memory()[address];
  if (!code_presented_) {
    if (!is_stage(address)) return answer(sw::password_required);
    if (!only_clears_bits(byte, value)) return answer(sw::write_refused);
  }
  byte = value;
  return answer(sw::ok);
}

CardReply CounterCard::carry(std::size_t address, std::uint8_t value, bool backup) {
  // The last stage has no stage below it to refill.
  if (!is_stage(address) || !is_stage(address + 1)) return answer(sw::address_out_of_range);
  const std::size_t stage = address - first_stage;
  const auto flag = static_cast<std::uint8_t>(1u << stage);
  const bool flagged = backup && model_.tearing_flags;
  const bool cut_short = flagged && !(memory()[*model_.tearing_flags] & flag);
  std::uint8_t& byte = memory()[address];
  const bool counts_down = only_clears_bits(byte, value) && value != byte;
  const bool completes = cut_short && value == byte;
  if (!counts_down && !completes) return answer(sw::write_refused);
  byte = value;
  memory()[address + 1] = 0xFF;
  if (flagged) memory()[*model_.tearing_flags] |= flag;
  return answer(sw::ok);
}

CardReply CounterCard::verify(Data d) {
  if (d[0] != code_selector) return answer(sw::parameter_refused);
  switch (check_code(ErrorCounter(state()[code_length], three_chances), state().first(code_length), d.subspan(1))) {
    case CodeCheck::locked: return answer(sw::code_locked);
    case CodeCheck::wrong: code_presented_ = false; return answer(sw::password_required);
    case CodeCheck::accepted: code_presented_ = true; return answer(sw::ok);
  }
  return answer(sw::password_required);
}

CardReply CounterCard::erase(Data d) {
  if (!code_presented_) return answer(sw::password_required);
  std::size_t address = address_of(d[0], d[1]);
  if (!fits(address, d[2], memory().size())) return answer(sw::address_out_of_range);
  std::ranges::fill(memory().subspan(address, d[2]), 0xFF);
  return answer(sw::ok);
}

CardReply CounterCard::authenticate(std::size_t key, Data challenge, std::optional<std::uint8_t> clock_pulses) const {
  if (key >= model_.keys.size() || model_.keys[key].size == 0) return answer(sw::parameter_refused);
  const CardArea& area = model_.keys[key];
  std::uint16_t crc = crc16(0xFFFF, memory().subspan(area.start, area.size));
  crc = crc16(crc, challenge);
  if (clock_pulses) crc = crc16(crc, Data(&*clock_pulses, 1));
  if (model_.challenge == Challenge::four_bytes) return answer(Bytes{static_cast<std::uint8_t>(crc >> 8)});
  return answer(Bytes{static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)});
}

}  // namespace kitesim
