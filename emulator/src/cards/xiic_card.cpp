// XIIC: an IIC memory card (reader card-type byte 07) of 2048 bytes in 16 blocks of 128 whose
// blocks can be write-protected, with a high-endurance block.
//   90 addr-high addr-low count   read
//   91 addr-high addr-low data... write; bytes of protected blocks keep their value (67 04)
//   84 option                     card options (kept, no effect)
//   94 first count                protect blocks first to first + count - 1; count 0 clears
//                                 the protection. The end block (first + count) is a nibble like
//                                 the others: a range past block 14 is refused (60 04), as is a
//                                 first block or count above 15, and the protection stays as it was
//   94 block                      make the block the high-endurance one (0 to 15, else 60 04)
//   97                            read the protection: first block, end block (first + count),
//                                 high-endurance block, each 0 to 15
// A new card protects nothing and its high-endurance block is 0.
#include "memory_access.h"
#include "memory_card.h"

namespace kitesim {
namespace {

constexpr std::size_t block_size = 128;
constexpr std::size_t block_count = 16;
constexpr std::uint8_t max_nibble = 15;

// The card's state holds the complements of first block, end block and high-endurance block,
// so that an erased state (FF FF FF) is a new card's 0 0 0. A card saved with an end block of 16
// (once taken for a range to the last block) keeps that protection.
enum StateByte : std::size_t { first_block, end_block, endurance_block, state_size };

class XiicCard : public MemoryCard {
 public:
  explicit XiicCard(const std::filesystem::path& file)
      : MemoryCard("xiic", 0x07, block_size * block_count, state_size, file) {
    serve(0x90, 3, [this](Data d) { return read_bytes(memory(), address_of(d[0], d[1]), d[2]); });
    serve(0x91, 2, any_count, [this](Data d) {
      return write_bytes(memory(), address_of(d[0], d[1]), d.subspan(2),
                         [this](std::size_t address) { return protected_block(address / block_size); });
    });
    serve(0x84, 1, [this](Data d) {
      option_ = d[0];
      return answer(sw::ok);
    });
    serve(0x94, 2, [this](Data d) { return protect(d[0], d[1]); });
    serve(0x94, 1, [this](Data d) {
      if (d[0] > max_nibble) return answer(sw::parameter_refused);
      set(endurance_block, d[0]);
      return answer(sw::ok);
    });
    serve(0x97, 0, [this](Data) { return answer(Bytes{get(first_block), get(end_block), get(endurance_block)}); });
  }

 private:
  std::uint8_t get(StateByte which) const { return static_cast<std::uint8_t>(~state()[which]); }
  void set(StateByte which, std::uint8_t value) { state()[which] = static_cast<std::uint8_t>(~value); }

  bool protected_block(std::size_t block) const { return block >= get(first_block) && block < get(end_block); }

  // Clipping a range that runs past the card would answer success for blocks left unprotected;
  // an end of 16 would read back as 0 in the nibble the utility shows.
  CardReply protect(std::uint8_t first, std::uint8_t count) {
    if (first + count > max_nibble) return answer(sw::parameter_refused);
    set(first_block, first);
    set(end_block, static_cast<std::uint8_t>(first + count));
    return answer(sw::ok);
  }

  std::uint8_t option_ = 0;
};

}  // namespace

std::unique_ptr<Card> make_xiic(const CardOptions& options) { return std::make_unique<XiicCard>(options.memory_file); }

}  // namespace kitesim
