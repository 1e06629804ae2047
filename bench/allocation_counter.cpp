#include "allocation_counter.h"

#include <atomic>
#include <cstddef>

// The C library's own allocator entry points, which these definitions wrap.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* pointer, std::size_t size);

namespace {
std::atomic<std::uint64_t> count{0};
}

extern "C" void* malloc(std::size_t size) {
  count.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t n, std::size_t size) {
  count.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(n, size);
}

extern "C" void* realloc(void* pointer, std::size_t size) {
  count.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(pointer, size);
}

namespace bench {

std::uint64_t allocations() { return count.load(std::memory_order_relaxed); }

}  // namespace bench
