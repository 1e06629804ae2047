// The two sides a serial transport sits between: the reader's end of the line (LineEnd), which
// the transport feeds with what the PC sent, and the transport itself as a SerialPort, which the
// emulator hands the reader's transmissions to.
#pragma once

#include <cstdint>
#include <span>

#include "../line_settings.h"

namespace kitesim {

class LineEnd {
 public:
  // Bytes the PC sent, and the PC side's line settings when it sent them.
  virtual void from_pc(std::span<const std::uint8_t> bytes, const LineSettings& pc) = 0;
  virtual void set_dtr(bool on) = 0;
  virtual bool cts() const = 0;

 protected:
  ~LineEnd() = default;
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // The reader sends bytes at reader_rate; a PC side at other settings receives noise.
  virtual void transmit(std::span<const std::uint8_t> bytes, std::uint32_t reader_rate) = 0;
  virtual void cts_changed(bool on) = 0;
};

}  // namespace kitesim
