// X24645: an 8192-byte serial EEPROM on reader card-type byte 02, addressed with two bytes.
//   90 addr-high addr-low count   read
//   91 addr-high addr-low data... write
// The top bit of the high address byte selects two-byte addressing: without it the card does
// not answer the address (67 02). The chip decodes 13 address bits, so 0xC000, where the
// memory-card view places it, is its first byte.
#include "memory_access.h"
#include "memory_card.h"

namespace kitesim {
namespace {

constexpr std::size_t size = 8192;
constexpr std::uint8_t two_byte_addressing = 0x80;

class X24645Card : public MemoryCard {
 public:
  explicit X24645Card(const std::filesystem::path& file) : MemoryCard("x24645", 0x02, size, 0, file) {
    serve(0x90, 3, [this](Data d) {
      if (!(d[0] & two_byte_addressing)) return answer(sw::address_out_of_range);
      return read_bytes(memory(), offset(d), d[2]);
    });
    serve(0x91, 2, any_count, [this](Data d) {
      if (!(d[0] & two_byte_addressing)) return answer(sw::address_out_of_range);
      return write_bytes(memory(), offset(d), d.subspan(2));
    });
  }

 private:
  static std::size_t offset(Data d) { return address_of(d[0], d[1]) % size; }
};

}  // namespace

std::unique_ptr<Card> make_x24645(const CardOptions& options) {
  return std::make_unique<X24645Card>(options.memory_file);
}

}  // namespace kitesim
