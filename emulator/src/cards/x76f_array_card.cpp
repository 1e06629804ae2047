#include "x76f_array_card.h"

#include <algorithm>

#include "error_counter.h"
#include "memory_access.h"

namespace kitesim {
namespace {

constexpr std::size_t array1_size = 64;
constexpr std::size_t pw = 8;
constexpr std::size_t slot_count = 5;
constexpr std::size_t reset_slot = 4;
constexpr std::uint8_t eight_retries = 0xFF;

// The card's state: the five passwords, then the retry counter.
constexpr std::size_t retry_byte = slot_count * pw;
constexpr std::size_t state_size = retry_byte + 1;

}  // namespace

X76fArrayCard::X76fArrayCard(std::string model, std::size_t array0_size, const std::filesystem::path& file)
    : MemoryCard(std::move(model), 0x0E, array0_size + array1_size, state_size, file), array0_size_(array0_size) {
  serve(0x90, 1 + pw + 3, [this](Data d) { return read(d); });
  serve(0x91, 1 + pw + 2, any_count, [this](Data d) { return write(d); });
  serve(0x95, 1 + 3 * pw, [this](Data d) { return program(d); });
  serve(0x96, pw, [this](Data d) { return write_all(d); });
  serve(0x97, pw, [this](Data d) { return reactivate(d); });
}

std::span<std::uint8_t> X76fArrayCard::array(std::size_t b) {
  return b == 0 ? memory().first(array0_size_) : memory().subspan(array0_size_);
}

std::span<std::uint8_t> X76fArrayCard::password(std::size_t slot) { return state().subspan(slot * pw, pw); }

std::optional<CardReply> X76fArrayCard::check(std::size_t slot, Data presented) {
  switch (check_code(ErrorCounter(state()[retry_byte], eight_retries), password(slot), presented)) {
    case CodeCheck::locked: return answer(sw::code_locked);
    case CodeCheck::wrong: return answer(sw::password_required);
    case CodeCheck::accepted: return std::nullopt;
  }
  return answer(sw::code_locked);
}

// b pw(8) addr-high addr-low count
CardReply X76fArrayCard::read(Data d) {
  const std::size_t b = d[0];
  if (b > 1) return answer(sw::parameter_refused);
  if (auto refused = check(b, d.subspan(1, pw))) return *refused;
  return read_bytes(array(b), address_of(d[pw + 1] & 0x7F, d[pw + 2]), d[pw + 3]);
}

// b pw(8) addr-high addr-low data...
CardReply X76fArrayCard::write(Data d) {
  const std::size_t b = d[0];
  if (b > 1) return answer(sw::parameter_refused);
  if (auto refused = check(2 + b, d.subspan(1, pw))) return *refused;
  return write_bytes(array(b), address_of(d[pw + 1] & 0x7F, d[pw + 2]), d.subspan(pw + 3));
}

// slot old(8) new(8) new(8)
CardReply X76fArrayCard::program(Data d) {
  const std::size_t slot = d[0];
  Data fresh = d.subspan(1 + pw, pw);
  if (slot >= slot_count || !std::ranges::equal(fresh, d.subspan(1 + 2 * pw))) return answer(sw::parameter_refused);
  if (auto refused = check(slot, d.subspan(1, pw))) return *refused;
  std::ranges::copy(fresh, password(slot).begin());
  if (slot == reset_slot) reset_presented_ = true;
  return answer(sw::ok);
}

CardReply X76fArrayCard::write_all(Data d) {
  if (ErrorCounter(state()[retry_byte], eight_retries).locked()) return answer(sw::code_locked);
  if (!reset_presented_) return answer(sw::password_required);
  for (std::size_t i = 0; i < memory().size(); ++i) memory()[i] = d[i % pw];
  std::ranges::fill(state().first(retry_byte), 0x00);
  return answer(sw::ok);
}

CardReply X76fArrayCard::reactivate(Data d) {
  if (!std::ranges::equal(password(reset_slot), d)) return answer(sw::password_required);
  ErrorCounter(state()[retry_byte], eight_retries).restore();
  return answer(sw::ok);
}

}  // namespace kitesim
