// The routine forms of the memory cards: each turns P1, P2, Lc, Le and DataIn into reader
// commands the same way for every card type that uses it. A failed check sends nothing and gives
// -1051 (-1053 for an odd word address).
#pragma once

#include "memory_call.h"

namespace pelorus::forms {

int32_t plain_read(MemoryCall& call, FormArguments);
int32_t byte_wise_write(MemoryCall& call, FormArguments);
int32_t block_write(MemoryCall& call, FormArguments);
int32_t carry_write(MemoryCall& call, FormArguments);
int32_t protect_write(MemoryCall& call, FormArguments);
int32_t erase(MemoryCall& call, FormArguments);
int32_t three_byte_code(MemoryCall& call, FormArguments);
int32_t plain_code(MemoryCall& call, FormArguments);
int32_t change_code(MemoryCall& call, FormArguments);
int32_t selected_code(MemoryCall& call, FormArguments);
int32_t six_byte_authenticate(MemoryCall& call, FormArguments);
int32_t four_byte_authenticate(MemoryCall& call, FormArguments);
int32_t set_fuse(MemoryCall& call, FormArguments);
int32_t blow_fuse(MemoryCall& call, FormArguments);
int32_t card_options(MemoryCall& call, FormArguments);
int32_t nibble_protect(MemoryCall& call, FormArguments);
int32_t set_he(MemoryCall& call, FormArguments);
int32_t read_protection(MemoryCall& call, FormArguments args);  // args: the command and its fixed Le
int32_t word_read(MemoryCall& call, FormArguments);
int32_t word_write(MemoryCall& call, FormArguments);
int32_t word_erase(MemoryCall& call, FormArguments);
int32_t set_protect(MemoryCall& call, FormArguments);
int32_t lock_protect(MemoryCall& call, FormArguments);
int32_t clear_protect(MemoryCall& call, FormArguments);
int32_t write_all(MemoryCall& call, FormArguments);
int32_t erase_all(MemoryCall& call, FormArguments);

}  // namespace pelorus::forms
