// The receive side of a serial port: the reader's bytes gathered in the receive buffer, the
// card-event frames taken out of it, and the ETX event raised when the buffer ends with ETX.
// While no exchange runs, a thread of its own waits on the line and on a wake-up descriptor, so
// that card events between replies reach the callback. While one runs, the caller's thread reads
// the line itself: the reply then costs no hand-over between threads, and the thread stays out of
// the way until a little after the last exchange, so that back-to-back exchanges do not wake it
// each time. A mutex guards what both share.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "card_events.h"
#include "frame_codec.h"
#include "pelorus32.h"
#include "unique_fd.h"

namespace pelorus {

class Line;

class Listener {
 public:
  // `callback` is the port's card-event callback, read whenever an event frame arrives.
  Listener(Line& line, const std::atomic<QX_CALLBACK>& callback);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Starts the thread; false when it cannot be created.
  bool start();
  // Stops the thread and returns once it has ended.
  void stop();

  // Marks an exchange: while one runs, take_frame reads the line on the caller's thread.
  void begin_exchange();
  void end_exchange();

  // Clears the ETX event, purges the line and empties the receive buffer.
  void reset_receive_side();

  // Before a command goes out on a link not in doubt: clears the ETX event and takes in what the
  // line holds, card events included. Only when something else is there (a stray answer, noise)
  // is the line purged and the buffer emptied, so that a clean exchange costs no purge (over a
  // network serial port, a request to the server).
  void prepare_send();

  // Reads, on the caller's thread, whatever the line holds right now, as the listener would:
  // state that travels with the data (the modem lines of a network serial port) is then as
  // fresh as what the peer has sent, whether or not the listener thread has run yet.
  void pump();

  // Within an exchange (the thread then leaves the line alone): reads the line on the caller's
  // thread for up to `wait` until the ETX event, then moves the receive buffer into `frame` and
  // returns its length; nullopt when the event did not come.
  std::optional<size_t> take_frame(std::chrono::microseconds wait, std::span<uint8_t, codec::kFrameCapacity> frame);

  // True once the line has reported that it is gone; the listener then stops watching it.
  bool line_gone() const { return line_gone_.load(); }

 private:
  void run();
  // Waits until the thread is to watch the line again; false when it is to stop.
  bool wait_for_turn(std::unique_lock<std::mutex>& lock);
  // The caller's side of take_frame: polls and reads the line until the ETX event or the deadline.
  bool read_until_etx(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point deadline);
  void read_locked(short revents);
  void take_card_events();
  void mark_frames();
  void reset_locked();

  Line& line_;
  const std::atomic<QX_CALLBACK>& callback_;
  UniqueFd wake_;
  std::thread thread_;
  std::atomic<bool> line_gone_{false};

  std::mutex mutex_;
  std::condition_variable room_;  // the buffer has room again, or the listener is to stop
  bool etx_ = false;
  bool stopping_ = false;
  bool exchanging_ = false;
  std::chrono::steady_clock::time_point resume_at_{};  // the thread watches the line again then
  std::array<uint8_t, codec::kFrameCapacity> received_{};
  size_t count_ = 0;
  size_t frames_end_ = 0;  // while the ETX event is set: the bytes up to the last complete frame
  CardEventQueue card_events_;
};

// Marks an exchange for as long as it lives.
class ExchangeScope {
 public:
  explicit ExchangeScope(Listener& listener) : listener_(listener) { listener_.begin_exchange(); }
  ~ExchangeScope() { listener_.end_exchange(); }
  ExchangeScope(const ExchangeScope&) = delete;
  ExchangeScope& operator=(const ExchangeScope&) = delete;

 private:
  Listener& listener_;
};

}  // namespace pelorus
