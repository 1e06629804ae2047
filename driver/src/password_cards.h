// The password-protected memory cards (X76F041, X76F128, X76F640, X76F100). The reader does not
// keep a password, so the library does: a verify the card accepts stores the password in a
// session key slot, and protected reads and writes send it along. A routine that needs a slot
// that is not valid gives -1015 and sends nothing.
#pragma once

#include "memory_call.h"

namespace pelorus::password_cards {

int32_t x76f041_read(const MemoryCall& call, FormArguments);
int32_t x76f041_write(const MemoryCall& call, FormArguments);
int32_t x76f041_verify(const MemoryCall& call, FormArguments);
int32_t x76f041_change_pin(const MemoryCall& call, FormArguments);
int32_t x76f041_set_protect(const MemoryCall& call, FormArguments);
int32_t x76f041_read_protect(const MemoryCall& call, FormArguments);
int32_t x76f041_write_all(const MemoryCall& call, FormArguments);
int32_t x76f041_erase_all(const MemoryCall& call, FormArguments);

// X76F128 and X76F640 share their routines.
int32_t x76f128_read(const MemoryCall& call, FormArguments);
int32_t x76f128_write(const MemoryCall& call, FormArguments);
int32_t x76f128_verify(const MemoryCall& call, FormArguments);
int32_t x76f128_change_pin(const MemoryCall& call, FormArguments);
int32_t x76f128_write_all(const MemoryCall& call, FormArguments);
int32_t x76f128_reactivate(const MemoryCall& call, FormArguments);

int32_t x76f100_read(const MemoryCall& call, FormArguments);
int32_t x76f100_write(const MemoryCall& call, FormArguments);
int32_t x76f100_verify(const MemoryCall& call, FormArguments);
int32_t x76f100_change_pin(const MemoryCall& call, FormArguments);

}  // namespace pelorus::password_cards
