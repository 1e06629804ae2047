// The one way a reader command reaches the reader and its reply comes back.
#pragma once

#include <cstdint>
#include <span>

namespace pelorus {

struct PortState;
struct Reply;

// Sends the command (code, length byte, data) and decodes the reply into `reply`.
//
// Serial ports: the command goes out at most three times and the NACK frame at most three times;
// at most four replies may be missing or bad in one exchange. Results: 0; -1011 for a command
// whose frame would pass 600 bytes (nothing is sent); -1081 when a write fails or the last
// failure was a missing reply; -1080 when it was a bad frame, or the reader asked for the command
// three times. Keyboard port: one request, one reply (see keyboard_link.h).
int32_t exchange(PortState& port, std::span<const uint8_t> command, Reply& reply);

}  // namespace pelorus
