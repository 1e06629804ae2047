// Word-addressed memory cards with a protection register (LM256, LM4KP). Addresses and counts
// are in 16-bit words, sent high byte first; each word is two bytes of the memory, high first.
//   90 word-high word-low count   read count words (at most 127: a reply carries 255 bytes)
//   91 word-high word-low data... write whole words (an odd number of bytes: 67 01)
//   95 d0 d1                      write d0 d1 to every word
//   95 word-high word-low count   erase count words to FFFF                    (cards with erase)
//   95                            erase every word                               (cards with erase)
//   94 p                          set the protection register to p
//   94                            clear it (FF)
//   94 FF FF                      lock it: from then on 94 is refused (67 04)
//   97                            read it (one byte)
// With the register at p, the words from p x step to the end are protected (a p beyond the last
// step protects nothing): writes and erases leave them as they are, answering 67 04 when one
// would have changed. A new card protects nothing and is not locked.
#pragma once

#include "memory_card.h"

namespace kitesim {

struct WordMemoryModel {
  const char* name;
  std::uint8_t type_byte;
  std::size_t words;
  std::size_t words_per_step;  // words per step of the protection register
  bool erase;
};

class WordMemoryCard : public MemoryCard {
 public:
  WordMemoryCard(const WordMemoryModel& model, const std::filesystem::path& file);

 private:
  bool is_protected(std::size_t byte_address) const;
  CardReply fill(std::size_t word, std::size_t count, std::uint8_t high, std::uint8_t low);
  CardReply set_register(std::uint8_t value);
  CardReply lock(Data data);

  WordMemoryModel model_;
};

}  // namespace kitesim
