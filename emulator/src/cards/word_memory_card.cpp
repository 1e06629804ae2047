#include "word_memory_card.h"

#include "memory_access.h"

namespace kitesim {
namespace {

constexpr std::size_t word_size = 2;
constexpr std::size_t max_read_words = max_reply_data / word_size;

// The card's state: the protection register (FF: nothing protected) and the lock (FF: open).
enum StateByte : std::size_t { protection_register, lock_byte, state_size };
constexpr std::uint8_t cleared = 0xFF;
constexpr std::uint8_t locked = 0x00;

}  // namespace

WordMemoryCard::WordMemoryCard(const WordMemoryModel& model, const std::filesystem::path& file)
    : MemoryCard(model.name, model.type_byte, model.words * word_size, state_size, file), model_(model) {
  serve(0x90, 3, [this](Data d) {
    if (d[2] > max_read_words) return answer(sw::wrong_length);
    return read_bytes(memory(), address_of(d[0], d[1]) * word_size, d[2] * word_size);
  });
  serve(0x91, 2, any_count, [this](Data d) {
    if (d.size() % word_size != 0) return answer(sw::wrong_length);
    return write_bytes(memory(), address_of(d[0], d[1]) * word_size, d.subspan(2),
                       [this](std::size_t address) { return is_protected(address); });
  });
  serve(0x95, 2, [this](Data d) { return fill(0, model_.words, d[0], d[1]); });
  if (model.erase) {
    serve(0x95, 3, [this](Data d) { return fill(address_of(d[0], d[1]), d[2], 0xFF, 0xFF); });
    serve(0x95, 0, [this](Data) { return fill(0, model_.words, 0xFF, 0xFF); });
  }
  serve(0x94, 1, [this](Data d) { return set_register(d[0]); });
  serve(0x94, 0, [this](Data) { return set_register(cleared); });
  serve(0x94, 2, [this](Data d) { return lock(d); });
  serve(0x97, 0, [this](Data) { return answer(Bytes{state()[protection_register]}); });
}

bool WordMemoryCard::is_protected(std::size_t byte_address) const {
  return byte_address / word_size >= std::size_t{state()[protection_register]} * model_.words_per_step;
}

CardReply WordMemoryCard::fill(std::size_t word, std::size_t count, std::uint8_t high, std::uint8_t low) {
  if (!fits(word, count, model_.words)) return answer(sw::address_out_of_range);
  Bytes pattern(count * word_size);
  for (std::size_t i = 0; i < pattern.size(); i += word_size) pattern[i] = high, pattern[i + 1] = low;
  return write_bytes(memory(), word * word_size, pattern, [this](std::size_t a) { return is_protected(a); });
}

CardReply WordMemoryCard::set_register(std::uint8_t value) {
  if (state()[lock_byte] == locked) return answer(sw::write_refused);
  state()[protection_register] = value;
  return answer(sw::ok);
}

CardReply WordMemoryCard::lock(Data d) {
  if (d[0] != 0xFF || d[1] != 0xFF) return answer(sw::parameter_refused);
  state()[lock_byte] = locked;
  return answer(sw::ok);
}

}  // namespace kitesim
