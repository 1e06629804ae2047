// The library's trace: off unless PELORUS32_TRACE names "stderr" or a file. It carries the
// protocol's own short messages, hex dumps of frames and the errno detail of failed system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace pelorus::trace {

bool enabled();

// Writes text as it stands (the protocol's messages carry their own line breaks).
void text(std::string_view message);

// printf-style message.
void format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The bytes as characters, as the reader's ASCII-hex frames are meant to be read; bytes outside
// printable ASCII show as <XX>.
void frame(std::string_view label, std::span<const uint8_t> bytes);

// Hex dump of raw bytes ("02 30 31 ...").
void hex(std::string_view label, std::span<const uint8_t> bytes);

// A failed system call: "<what> <subject>: <strerror(err)> (errno <err>)".
void system_error(std::string_view what, std::string_view subject, int err);

}  // namespace pelorus::trace
