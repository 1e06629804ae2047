// The PC side of a pseudo-terminal for the tests: open the slave raw at a rate, read with a bound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unique_fd.h"

namespace kitesim::testing {

UniqueFd open_pty_slave(const std::string& path, std::uint32_t rate);
bool set_pty_slave_rate(int fd, std::uint32_t rate);
// Reads until the bytes read end with ETX or timeout_ms passes without any byte.
std::vector<std::uint8_t> read_frames(int fd, int timeout_ms = 5000);

}  // namespace kitesim::testing
