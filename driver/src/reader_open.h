// Opening and closing readers, and line-rate changes.
#pragma once

#include <cstdint>

namespace pelorus {

struct HandleCall;
struct Library;

int32_t open_reader(Library& lib, int32_t reader_type, int32_t port);
int32_t close_reader(const HandleCall& call);

// Asks the reader for a new rate (0: its top rate) and follows on the line. 0 or -1.
int32_t change_rate(const HandleCall& call, int32_t bits_per_second);

}  // namespace pelorus
