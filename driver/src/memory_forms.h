// The routine forms of the memory cards: each turns P1, P2, Lc, Le and DataIn into reader
// commands the same way for every card type that uses it. A failed check sends nothing and gives
// -1051 (-1053 for an odd word address).
#pragma once

#include "memory_call.h"

namespace pelorus::forms {

int32_t plain_read(const MemoryCall& call, FormArguments);
int32_t byte_wise_write(const MemoryCall& call, FormArguments);
int32_t block_write(const MemoryCall& call, FormArguments);
int32_t carry_write(const MemoryCall& call, FormArguments);
int32_t protect_write(const MemoryCall& call, FormArguments);
int32_t erase(const MemoryCall& call, FormArguments);
int32_t three_byte_code(const MemoryCall& call, FormArguments);
int32_t plain_code(const MemoryCall& call, FormArguments);
int32_t change_code(const MemoryCall& call, FormArguments);
int32_t selected_code(const MemoryCall& call, FormArguments);
int32_t six_byte_authenticate(const MemoryCall& call, FormArguments);
int32_t four_byte_authenticate(const MemoryCall& call, FormArguments);
int32_t set_fuse(const MemoryCall& call, FormArguments);
int32_t blow_fuse(const MemoryCall& call, FormArguments);
int32_t card_options(const MemoryCall& call, FormArguments);
int32_t nibble_protect(const MemoryCall& call, FormArguments);
int32_t set_he(const MemoryCall& call, FormArguments);
int32_t read_protection(const MemoryCall& call, FormArguments args);  // args: the command and its fixed Le
int32_t word_read(const MemoryCall& call, FormArguments);
int32_t word_write(const MemoryCall& call, FormArguments);
int32_t word_erase(const MemoryCall& call, FormArguments);
int32_t set_protect(const MemoryCall& call, FormArguments);
int32_t lock_protect(const MemoryCall& call, FormArguments);
int32_t clear_protect(const MemoryCall& call, FormArguments);
int32_t write_all(const MemoryCall& call, FormArguments);
int32_t erase_all(const MemoryCall& call, FormArguments);

}  // namespace pelorus::forms
