// A pseudo-terminal as the reader's serial line. The PC side opens the slave like a serial port;
// its termios settings (rate, format) decide whether it understands the reader. A pseudo-terminal
// has no modem lines: no DTR, no CTS.
//
// While no process holds the slave open the master reports a hang-up; the port then waits for the
// slave's next open (inotify, with a slow poll as a fallback) instead of polling the master in a
// loop. Until the slave is opened the reader's transmissions are dropped, as on a line with
// nothing attached, so a PC side never reads stale frames from before its open.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "../unique_fd.h"
#include "../wakeup.h"
#include "serial_port.h"

namespace kitesim {

class PtyPort : public SerialPort {
 public:
  // Throws std::system_error when the pseudo-terminal cannot be made.
  PtyPort(LineEnd& line, std::uint32_t initial_rate);
  ~PtyPort() override;

  const std::string& slave_path() const { return slave_path_; }
  void transmit(std::span<const std::uint8_t> bytes, std::uint32_t reader_rate) override;
  void cts_changed(bool) override {}

 private:
  void run();
  LineSettings pc_settings() const;
  // Whether the PC side has the slave open now (no hang-up), and whether it ever had. Both are
  // asked at the moment of writing: the reading thread may not have seen an open or close yet.
  bool slave_hung_up() const;
  bool slave_ever_opened();
  void take_slave_opens();

  LineEnd& line_;
  UniqueFd master_;
  UniqueFd slave_opens_;  // inotify watching the slave for opens
  std::string slave_path_;
  std::mutex slave_opens_mutex_;  // reading the inotify events and setting ever_opened_
  std::atomic<bool> ever_opened_ = false;
  Wakeup stop_;
  std::thread thread_;
};

}  // namespace kitesim
