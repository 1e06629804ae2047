#include "iic_card.h"

#include "memory_access.h"

namespace kitesim {

IicCard::IicCard(std::string model, std::size_t size, const std::filesystem::path& memory_file)
    : MemoryCard(std::move(model), 0x02, size, 0, memory_file) {
  serve(0x90, 3, [this](Data d) { return read_bytes(memory(), address_of(d[0], d[1]), d[2]); });
  serve(0x91, 2, any_count, [this](Data d) { return write_bytes(memory(), address_of(d[0], d[1]), d.subspan(2)); });
  serve(0x84, 1, [this](Data d) {
    option_ = d[0];
    return answer(sw::ok);
  });
}

}  // namespace kitesim
