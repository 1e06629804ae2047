// Password cards with two arrays (X76F128, X76F640; reader card-type byte 0E): array 0 (whose
// size differs) and array 1 of 64 bytes, each with a read and a write password, plus a reset
// password; eight bytes each, in slots 0 read 0, 1 read 1, 2 write 0, 3 write 1, 4 reset.
//   90 b pw(8) addr-high addr-low count     read array b (0 or 1) with its read password
//   91 b pw(8) addr-high addr-low data...   write array b with its write password
//   95 slot old(8) new(8) new(8)            program a password: old is the slot's password (a
//                                           verify programs it unchanged); programming slot 4
//                                           opens write all until power-down
//   96 fill(8)                              write all, after slot 4 was programmed in this power-up
//                                           (62 01): both arrays filled with the eight bytes
//                                           repeated, and every password set to eight 00 bytes
//   97 reset-pw(8)                          reactivate: gives back the retries
// A wrong password answers 62 01 and costs one of eight retries; a right one gives them all back.
// Without retries every command but 97 answers 67 05. 60 04 for an array or slot that does not
// exist and for two different new passwords. A new card has every password FF.
#pragma once

#include <optional>

#include "memory_card.h"

namespace kitesim {

class X76fArrayCard : public MemoryCard {
 public:
  X76fArrayCard(std::string model, std::size_t array0_size, const std::filesystem::path& file);

 private:
  void forget_session() override { reset_presented_ = false; }

  std::span<std::uint8_t> array(std::size_t b);
  std::span<std::uint8_t> password(std::size_t slot);
  // Checks a presented password against a slot, counting the retry. nullopt: accepted.
  std::optional<CardReply> check(std::size_t slot, Data presented);

  CardReply read(Data data);
  CardReply write(Data data);
  CardReply program(Data data);
  CardReply write_all(Data data);
  CardReply reactivate(Data data);

  std::size_t array0_size_;
  bool reset_presented_ = false;
};

}  // namespace kitesim
