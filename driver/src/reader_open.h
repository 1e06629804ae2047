// Opening and closing readers, reader detection and line-rate changes.
#pragma once

#include <cstdint>

namespace pelorus {

struct Library;
struct PortState;

int32_t open_reader(Library& lib, int32_t reader_type, int32_t port);
int32_t close_reader(Library& lib, int32_t handle);

// Resets the reader by DTR and sets the line to its rate: the reader type's fixed rate, or for
// auto-detection the rate the reader announces after the reset (no announcement: KITEA framing at
// 9600). 0, or -1 for an announcement that is not one or names no rate.
int32_t reset_and_detect(PortState& port);

// Asks the reader for a new rate (0: its top rate) and follows on the line. 0 or -1.
int32_t change_rate(PortState& port, int32_t bits_per_second);

// The line rate of a reader type.
int32_t initial_rate(uint8_t reader_type);

}  // namespace pelorus
