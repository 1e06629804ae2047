// Memory cards whose bytes can be write-protected one by one, optionally behind a security code
// with an error counter of three chances (LM8KP, LM8KS, LM2KP, LM2KS):
//   90 addr-high addr-low count    read (always allowed)
//   91 addr-high addr-low data...  write; protected bytes keep their value (67 04)
//   94 addr-high addr-low data...  write, then protect the bytes written: the range must lie
//                                  in the protectable bytes (67 02); protected bytes keep their
//                                  value (67 04). Protection cannot be undone.
// Cards with a security code (code_length > 0) serve writes only after the code was presented in
// this power-up (62 01), and also:
//   92 code...                     present the code: one byte, 07 when accepted, else the chances
//                                  left as set bits (03, 01, 00); 67 05 once locked
//   92                             read the security memory: the chances byte, then the code
//                                  (zeros until the code was presented)
//   93 code...                     change the code (after it was presented; 62 01 otherwise)
// A new card protects nothing; its code is all FF.
#pragma once

#include "memory_card.h"

namespace kitesim {

struct ProtectedMemoryModel {
  const char* name;
  std::uint8_t type_byte;
  std::size_t size;
  std::size_t protectable;  // bytes from address 0 that have a protection bit
  std::size_t code_length;  // 0: no security code
  bool changeable_code;     // 93 served
};

class ProtectedMemoryCard : public MemoryCard {
 public:
  ProtectedMemoryCard(const ProtectedMemoryModel& model, const std::filesystem::path& file);

 private:
  void forget_session() override { code_presented_ = false; }

  bool is_protected(std::size_t address) const;
  void protect(std::size_t address);
  std::span<std::uint8_t> code();
  std::uint8_t& counter();

  CardReply write(Data data);
  CardReply protect_write(Data data);
  CardReply verify(Data data);
  CardReply security_memory();
  CardReply change_code(Data data);

  ProtectedMemoryModel model_;
  bool code_presented_ = false;
};

}  // namespace kitesim
