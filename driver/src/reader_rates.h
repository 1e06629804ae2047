// The line rates of the readers: where each reader type starts, what the reader announces after
// a reset, and the codes a rate change asks for.
#pragma once

#include <cstdint>
#include <optional>

namespace pelorus {

// The line rate a reader type starts at (auto-detection starts at 9600).
int32_t initial_rate(uint8_t reader_type);

// The rate a reader announces in its start-up frame (FF 00 01 code); nullopt for an unknown code.
std::optional<int32_t> announced_rate(uint8_t code);

// The code that asks the reader for a rate; nullopt for a rate the reader model does not have.
std::optional<uint8_t> rate_change_code(bool kitea, int32_t bits_per_second);

// The rate a rate change to "the top rate" (0) means for the reader model.
int32_t top_rate(bool kitea);

}  // namespace pelorus
