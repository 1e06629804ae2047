#include "protected_memory_card.h"

#include <algorithm>

#include "error_counter.h"
#include "memory_access.h"

namespace kitesim {
namespace {

constexpr std::uint8_t three_chances = 0x07;

// The card's state: one protection bit per protectable byte (set: not protected), the code,
// the error counter.
std::size_t bits_size(const ProtectedMemoryModel& m) { return (m.protectable + 7) / 8; }
std::size_t state_size(const ProtectedMemoryModel& m) {
  return bits_size(m) + m.code_length + (m.code_length > 0 ? 1 : 0);
}

}  // namespace

ProtectedMemoryCard::ProtectedMemoryCard(const ProtectedMemoryModel& model, const std::filesystem::path& file)
    : MemoryCard(model.name, model.type_byte, model.size, state_size(model), file), model_(model) {
  serve(0x90, 3, [this](Data d) { return read_bytes(memory(), address_of(d[0], d[1]), d[2]); });
  serve(0x91, 2, any_count, [this](Data d) { return write(d); });
  serve(0x94, 2, any_count, [this](Data d) { return protect_write(d); });
  if (model.code_length == 0) return;
  serve(0x92, model.code_length, [this](Data d) { return verify(d); });
  serve(0x92, 0, [this](Data) { return security_memory(); });
  if (model.changeable_code) serve(0x93, model.code_length, [this](Data d) { return change_code(d); });
}

bool ProtectedMemoryCard::is_protected(std::size_t address) const {
  return address < model_.protectable && !(state()[address / 8] & (1u << (address % 8)));
}

void ProtectedMemoryCard::protect(std::size_t address) {
  state()[address / 8] = static_cast<std::uint8_t>(state()[address / 8] & ~(1u << (address % 8)));
}

std::span<std::uint8_t> ProtectedMemoryCard::code() { return state().subspan(bits_size(model_), model_.code_length); }

std::uint8_t& ProtectedMemoryCard::counter() { return state()[bits_size(model_) + model_.code_length]; }

CardReply ProtectedMemoryCard::write(Data d) {
  if (model_.code_length > 0 && !code_presented_) return answer(sw::password_required);
  return write_bytes(memory(), address_of(d[0], d[1]), d.subspan(2),
                     [this](std::size_t address) { return is_protected(address); });
}

CardReply ProtectedMemoryCard::protect_write(Data d) {
  if (model_.code_length > 0 && !code_presented_) return answer(sw::password_required);
  std::size_t address = address_of(d[0], d[1]);
  Data data = d.subspan(2);
  if (!fits(address, data.size(), model_.protectable)) return answer(sw::address_out_of_range);
  CardReply reply = write_bytes(memory(), address, data, [this](std::size_t a) { return is_protected(a); });
  for (std::size_t i = 0; i < data.size(); ++i) protect(address + i);
  return reply;
}

CardReply ProtectedMemoryCard::verify(Data d) {
  ErrorCounter chances(counter(), three_chances);
  switch (check_code(chances, code(), d)) {
    case CodeCheck::locked: return answer(sw::code_locked);
    case CodeCheck::wrong: code_presented_ = false; break;
    case CodeCheck::accepted: code_presented_ = true; break;
  }
  return answer(Bytes{chances.bits()});
}

CardReply ProtectedMemoryCard::security_memory() {
  Bytes reply{ErrorCounter(counter(), three_chances).bits()};
  auto shown = code();
  if (code_presented_)
    reply.insert(reply.end(), shown.begin(), shown.end());
  else
    reply.resize(1 + shown.size(), 0x00);
  return answer(std::move(reply));
}

CardReply ProtectedMemoryCard::change_code(Data d) {
  if (!code_presented_) return answer(sw::password_required);
  std::ranges::copy(d, code().begin());
  return answer(sw::ok);
}

}  // namespace kitesim
