// Maps a reader reply's status word to a result, keeping the word as the last status word.
#pragma once

#include <cstdint>

namespace pelorus {

struct Library;
struct Reply;

// The result for a status word: 0 when the first byte is 0x90, the listed code for a known
// word, -1099 for any other.
int32_t result_of_status(uint16_t status_word);

// Stores the reply's status word as the last status word and returns result_of_status.
int32_t status_check(Library& lib, const Reply& reply);

}  // namespace pelorus
