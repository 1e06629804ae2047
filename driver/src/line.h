// A serial line as the protocol needs it: bytes both ways, the line rate, DTR out, CTS in, and a
// purge. Backends: a tty device (tty_line) and a serial port served over the network (rfc2217_line).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace pelorus {

class Line {
 public:
  virtual ~Line() = default;

  // The descriptor to poll for input.
  virtual int poll_fd() const = 0;

  // Takes the bytes that have arrived, without blocking. Returns the number of bytes, 0 when
  // there is nothing (yet), -1 when the line is gone (an unplugged adapter, a closed peer).
  virtual long read_available(std::span<uint8_t> out) = 0;

  // Writes all bytes, waiting up to `wait` for the line to take them. Returns false when the line
  // refused them; a write still going on after `wait` is not a failure.
  virtual bool write_all(std::span<const uint8_t> bytes, std::chrono::microseconds wait) = 0;

  virtual bool set_rate(int bits_per_second) = 0;
  virtual void set_dtr(bool on) = 0;
  // False where the line has no modem status.
  virtual bool cts() = 0;
  // Drops whatever has arrived and not been read. What was written is left to go out: a frame
  // still on its way must reach the reader, or the NACK behind it would bring back the answer
  // to the command before.
  virtual void purge() = 0;

  const std::string& name() const { return name_; }

 protected:
  explicit Line(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
};

// Opens a line by its port-map value: a tty device path or "rfc2217://host:port". 8N1, raw, at
// the given rate, DTR raised, opened exclusively. nullptr on failure (the trace says why).
std::unique_ptr<Line> open_line(const std::string& device, int bits_per_second);

}  // namespace pelorus
