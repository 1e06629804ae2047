// What the memory-card dialogs share: one logical memory-card command sent through the binding's
// one exchange record (CLA 0, INS a QXI_ command) and the bytes of its reply, the counting of
// chance bits, and the refusal of a card type a dialog has no function for.
#pragma once

#include <QString>

#include <cstdint>
#include <span>

#include "kiteb.h"

namespace kestrel {

class Prompter;

struct MemoryCommand {
  uint8_t ins;
  uint8_t p1 = 0;
  uint8_t p2 = 0;
  std::span<const uint8_t> data = {};  // Lc is its size, at most QX_DATA_SIZE
  int32_t le = 0;
};

// Sends the command through binding.exchange_record(); the reply stays in that record
// (DataOut, Le, Status). Returns the library's result.
int32_t send_memory_command(Kiteb& binding, const MemoryCommand& command);

// Byte index of the last reply's data in binding.exchange_record(); 0 for a byte the reply did
// not carry, so that a short answer never shows what an earlier exchange left in the record.
uint8_t reply_byte(Kiteb& binding, int index);

// The number of bits set in byte.
int bits_set(uint8_t byte);

// "Selected card type does not provide this function"
QString no_function_text();

}  // namespace kestrel
