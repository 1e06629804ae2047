// The DEVICENAME of a reader.conf entry: the serial device the reader hangs on (a tty path,
// /dev/serial/by-id/..., or rfc2217://host:port), optionally followed by the reader type:
//   /dev/ttyUSB0                        auto-detect (DTR reset, the rate the reader announces)
//   /dev/ttyUSB0:KITEB_9600             a KITEB at 9600 bit/s, no detection
//   rfc2217://127.0.0.1:7000:KITEA      a KITEA behind a network serial port
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelorus::pcsc {

struct DeviceName {
  std::string device;
  uint8_t reader_type = 255;  // the library's ReaderType
};

// nullopt for an empty device or a reader-type suffix that names no reader type.
std::optional<DeviceName> parse_device_name(std::string_view text);

}  // namespace pelorus::pcsc
