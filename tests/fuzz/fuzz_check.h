// What the fuzz targets share: an invariant that does not hold aborts, so that libFuzzer keeps
// the input that broke it; inputs are copied to the heap at exactly their size, so that
// AddressSanitizer sees a read one byte past them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#define FUZZ_REQUIRE(condition) ((condition) ? void(0) : fuzz::broken(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void broken(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

inline std::vector<uint8_t> exact_copy(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

// An input of at least one byte: its first byte picks the reader type (bit 0: frames lead with
// STX) and whatever else a target makes it pick; the rest is the receive buffer.
struct FrameInput {
  bool expect_stx = false;
  uint8_t selector = 0;
  std::vector<uint8_t> received;
};
inline FrameInput frame_input(const uint8_t* data, size_t size) {
  return {(data[0] & 1) != 0, data[0], exact_copy(std::span(data + 1, size - 1))};
}

}  // namespace fuzz
