// Counts the heap allocations of this process (malloc, calloc, realloc and C++ new all end in
// these), so that a benchmark can tell how many one library call makes.
#pragma once

#include <cstdint>

namespace bench {

std::uint64_t allocations();

}  // namespace bench
