#include "fuse_card.h"

#include <algorithm>
#include <set>

#include "error_counter.h"
#include "memory_access.h"

namespace kitesim {
namespace {

constexpr std::uint8_t four_chances = 0x0F;
constexpr std::uint8_t accepted = 0xFF;
constexpr std::uint8_t pin_high = 0x01, pin_low = 0xFF, pin_open = 0x00;
constexpr int secret_code = 0;
constexpr std::size_t selector_size = 3;

// The card's state: the fuse (FF intact), then one attempts counter per code row for the codes
// that have none in the memory.
constexpr std::size_t fuse_byte = 0;
constexpr std::uint8_t fuse_intact = 0xFF;

std::size_t shortest_code(const FuseCardModel& m) {
  return std::ranges::min(m.codes, {}, &FuseCardCode::length).length;
}
std::size_t longest_code(const FuseCardModel& m) { return std::ranges::max(m.codes, {}, &FuseCardCode::length).length; }

// Clears one bit of an erase counter (nothing when it has none left).
void spend_erase_bit(std::span<std::uint8_t> counter) {
  auto byte = std::ranges::find_if(counter, [](std::uint8_t b) { return b != 0; });
  if (byte != counter.end()) ErrorCounter(*byte, 0xFF).spend();
}

}  // namespace

FuseCard::FuseCard(const FuseCardModel& model, const std::filesystem::path& file)
    : MemoryCard(model.name, 0x03, model.size, 1 + model.codes.size(), file), model_(model) {
  serve(0x90, 3, [this](Data d) { return read(d); });
  serve(0x91, 2, any_count, [this](Data d) { return write(d); });
  serve(0x95, 3, [this](Data d) { return erase(d); });
  serve(0x92, selector_size + shortest_code(model), selector_size + longest_code(model),
        [this](Data d) { return verify(d); });
  serve(0x84, 1, [this](Data d) { return set_pin(d); });
  if (model.blow_fuse) serve(0x94, 2, [this](Data d) { return blow(d); });
}

const FuseCardArea* FuseCard::area_of(std::size_t address) const {
  auto found = std::ranges::find_if(model_.areas, [&](const FuseCardArea& a) {
    return CardArea{a.start, a.size}.contains(address);
  });
  return found == model_.areas.end() ? nullptr : &*found;
}

bool FuseCard::issuer_mode() const { return pin_ == pin_high && state()[fuse_byte] == fuse_intact; }

StatusWord FuseCard::may_write(std::size_t address) const {
  const FuseCardArea* area = area_of(address);
  switch (area ? area->kind : AreaKind::fixed) {
    case AreaKind::fixed: return sw::write_refused;
    case AreaKind::test: return sw::ok;
    case AreaKind::code: return presented(secret_code) ? sw::ok : sw::password_required;
    case AreaKind::application:
      if (!presented(secret_code) || (area->code >= 0 && !presented(area->code))) return sw::password_required;
      return sw::ok;
    case AreaKind::issuer:
    case AreaKind::counter:
      if (!presented(secret_code)) return sw::password_required;
      return issuer_mode() ? sw::ok : sw::write_refused;
  }
  return sw::write_refused;
}

StatusWord FuseCard::may_erase(std::size_t address) const {
  const FuseCardArea* area = area_of(address);
  if (!area || area->kind != AreaKind::application || area->erase_code < 0) return may_write(address);
  return presented(area->erase_code) ? sw::ok : sw::password_required;
}

std::uint8_t& FuseCard::attempts(std::size_t row) {
  const FuseCardCode& code = model_.codes[row];
  return code.attempts ? memory()[*code.attempts] : state()[1 + row];
}

CardReply FuseCard::read(Data d) const {
  std::size_t address = address_of(d[0], d[1]);
  CardReply reply = read_bytes(memory(), address, d[2]);
  if (presented(secret_code)) return reply;
  for (std::size_t i = 0; i < reply.data.size(); ++i) {
    const FuseCardArea* area = area_of(address + i);
    if (area && area->kind == AreaKind::code) reply.data[i] = 0x00;
  }
  return reply;
}

CardReply FuseCard::write(Data d) {
  std::size_t address = address_of(d[0], d[1]);
  Data data = d.subspan(2);
  if (!fits(address, data.size(), memory().size())) return answer(sw::address_out_of_range);
  for (std::size_t i = 0; i < data.size(); ++i)
    if (StatusWord status = may_write(address + i); status != sw::ok) return answer(status);
  std::ranges::copy(data, memory().begin() + static_cast<std::ptrdiff_t>(address));
  return answer(sw::ok);
}

CardReply FuseCard::erase(Data d) {
  std::size_t address = address_of(d[0], d[1]);
  std::size_t count = d[2];
  if (!fits(address, count, memory().size())) return answer(sw::address_out_of_range);
  std::set<int> erase_codes;
  for (std::size_t i = 0; i < count; ++i) {
    if (StatusWord status = may_erase(address + i); status != sw::ok) return answer(status);
    const FuseCardArea* area = area_of(address + i);
    if (area && area->kind == AreaKind::application && area->erase_code >= 0) erase_codes.insert(area->erase_code);
  }
  auto erase_counter = [this](int code) {
    const CardArea& counter = model_.codes[static_cast<std::size_t>(code)].erase_counter;
    return memory().subspan(counter.start, counter.size);
  };
  auto spent = [](std::span<std::uint8_t> counter) {
    return !counter.empty() && std::ranges::all_of(counter, [](std::uint8_t b) { return b == 0; });
  };
  if (std::ranges::any_of(erase_codes, [&](int code) { return spent(erase_counter(code)); }))
    return answer(sw::write_refused);
  for (int code : erase_codes) spend_erase_bit(erase_counter(code));
  std::ranges::fill(memory().subspan(address, count), 0xFF);
  return answer(sw::ok);
}

CardReply FuseCard::verify(Data d) {
  auto row = std::ranges::find_if(
      model_.codes, [&](const FuseCardCode& c) { return std::ranges::equal(c.selector, d.first(selector_size)); });
  if (row == model_.codes.end()) return answer(sw::parameter_refused);
  if (d.size() != selector_size + row->length) return answer(sw::wrong_length);
  const auto n = static_cast<std::size_t>(row - model_.codes.begin());
  ErrorCounter chances(attempts(n), four_chances);
  switch (check_code(chances, memory().subspan(row->address, row->length), d.subspan(selector_size))) {
    case CodeCheck::locked: return answer(sw::code_locked);
    case CodeCheck::wrong: presented_ &= ~(1u << n); return answer(Bytes{chances.bits()});
    case CodeCheck::accepted: presented_ |= 1u << n; return answer(Bytes{accepted});
  }
  return answer(sw::code_locked);
}

CardReply FuseCard::set_pin(Data d) {
  if (d[0] != pin_high && d[0] != pin_low && d[0] != pin_open) return answer(sw::parameter_refused);
  pin_ = d[0];
  return answer(sw::ok);
}

CardReply FuseCard::blow(Data d) {
  if (d[0] != 0x00 || d[1] != 0x00) return answer(sw::parameter_refused);
  if (!presented(secret_code)) return answer(sw::password_required);
  state()[fuse_byte] = 0x00;
  return answer(sw::ok);
}

}  // namespace kitesim
