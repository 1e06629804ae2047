// Counter cards (LM104, LM221, ST1335, ST1333): an identification area at 0 to 7, a counter of
// five stages at 8 to 12 that only counts down, and, on some, tearing flags, authentication keys
// and a user area. Stage 0 holds the 4096 units (bits 71; bit 80 set: not counting), stages 1
// to 4 one bit per 512, 64, 8 and 1 units.
//   90 00 addr count            read; key bytes read as 00
//   91 addr-high addr-low 00 d  write one byte. Before the transport code is presented only the
//                               counter stages take a write, and only one that clears bits
//                               (67 04 otherwise, 62 01 outside the counter); after it every
//                               byte takes any value (personalisation)
//   91 00 addr mode d           carry write to stage 0 to 3 (67 02 for another address): the
//                               stage takes d, which must clear at least one of its bits (67 04),
//                               and the stage below it is refilled with FF. Mode 1 without, 3
//                               with backup (others 60 04): with backup on a card with tearing
//                               flags, a stage whose flag bit is clear (a carry that was cut
//                               short) may be written with its own value, completing the carry,
//                               and the flag bit is set again
//   92 09 c0 c1 c2              present the transport code: 90 00, a wrong one 62 01; three
//                               chances, then 67 05
//   95 addr-high addr-low count erase to FF (after the code; 62 01)            if erase
//   96 key clock c0 .. c5       certificate of two bytes                        six-byte challenge
//   96 c0 .. c3                 certificate of one byte                         four-byte challenge
// The certificate is CRC-16/CCITT (polynomial 1021, initial value FFFF, high byte first) over
// the key's bytes, the challenge and, with the six-byte challenge, the clock pulse count; the
// one-byte certificate is its high byte. Key 0 or 1 picks the key (60 04 for others).
// A new card's transport code is FF FF FF.
#pragma once

#include <array>
#include <optional>

#include "memory_access.h"
#include "memory_card.h"

namespace kitesim {

enum class Challenge { none, six_bytes, four_bytes };

struct CounterCardModel {
  const char* name;
  std::uint8_t type_byte;
  std::size_t size;
  std::optional<std::size_t> tearing_flags;  // bit s clear: a carry from stage s was cut short
  std::array<CardArea, 2> keys;              // size 0: no key
  Challenge challenge;
  bool erase;
};

class CounterCard : public MemoryCard {
 public:
  CounterCard(const CounterCardModel& model, const std::filesystem::path& file);

 private:
  void forget_session() override { code_presented_ = false; }

  bool is_key(std::size_t address) const;
  CardReply read(Data data) const;
  CardReply write(Data data);
  CardReply write_byte(std::size_t address, std::uint8_t value);
  CardReply carry(std::size_t address, std::uint8_t value, bool backup);
  CardReply verify(Data data);
  CardReply erase(Data data);
  CardReply authenticate(std::size_t key, Data challenge, std::optional<std::uint8_t> clock_pulses) const;

  CounterCardModel model_;
  bool code_presented_ = false;
};

}  // namespace kitesim
