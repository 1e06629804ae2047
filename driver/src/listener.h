// The receive side of a serial port: a thread that waits on the line and on a wake-up
// descriptor, gathers the reader's bytes in the receive buffer, takes the card-event frames out
// of it, and raises the ETX event when the buffer ends with ETX. The caller's thread resets the
// receive side before each send and takes the buffer after the ETX event; a mutex guards what
// both share.
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

  // Clears the ETX event, purges the line and empties the receive buffer.
  void reset_receive_side();

  // Reads, on the caller's thread, whatever the line holds right now, as the listener would:
  // state that travels with the data (the modem lines of a network serial port) is then as
  // fresh as what the peer has sent, whether or not the listener thread has run yet.
  void pump();

  // Waits up to `wait` for the ETX event, then moves the receive buffer into `frame` and returns
  // its length; nullopt when the event did not come.
  std::optional<size_t> take_frame(std::chrono::microseconds wait, std::span<uint8_t, codec::kFrameCapacity> frame);

  // True once the line has reported that it is gone; the listener then stops watching it.
  bool line_gone() const { return line_gone_.load(); }

 private:
  void run();
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
  std::condition_variable etx_event_;
  std::condition_variable room_;  // the buffer has room again, or the listener is to stop
  bool etx_ = false;
  bool stopping_ = false;
  std::array<uint8_t, codec::kFrameCapacity> received_{};
  size_t count_ = 0;
  size_t frames_end_ = 0;  // while the ETX event is set: the bytes up to the last complete frame
  CardEventQueue card_events_;
};

}  // namespace pelorus
