#include "memory_access.h"

namespace kitesim {

CardReply read_bytes(std::span<const std::uint8_t> memory, std::size_t address, std::size_t count) {
  if (!fits(address, count, memory.size())) return answer(sw::address_out_of_range);
  if (count > max_reply_data) return answer(sw::wrong_length);
  auto range = memory.subspan(address, count);
  return answer(Bytes(range.begin(), range.end()));
}

CardReply write_bytes(std::span<std::uint8_t> memory, std::size_t address, std::span<const std::uint8_t> data,
                      const LockedByte& locked) {
  if (!fits(address, data.size(), memory.size())) return answer(sw::address_out_of_range);
  bool refused = false;
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::uint8_t& byte = memory[address + i];
    if (locked && locked(address + i)) {
      refused = refused || byte != data[i];
      continue;
    }
    byte = data[i];
  }
  return answer(refused ? sw::write_refused : sw::ok);
}

}  // namespace kitesim
