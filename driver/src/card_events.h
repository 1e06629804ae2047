// Card insertion and removal, as the reader announces them.
#pragma once

#include <cstdint>
#include <memory>

#include "pelorus32.h"

namespace pelorus {

struct HandleCall;

// Card events on their way to the caller's callback. Each event runs the callback once, on a new
// thread of its own, and the callbacks are entered in the order the reader sent the events: a
// thread starts its callback only after the one before it has started (callbacks may then run
// side by side, but never overtake each other). The listener never waits for a caller's code,
// and the threads are not joined: a port that closes leaves them to finish on their own. A
// reader that floods the line while callbacks block cannot make threads pile up without end:
// past kMaxRunning callbacks still running, new events are dropped (and traced).
class CardEventQueue {
 public:
  static constexpr int kMaxRunning = 1024;

  CardEventQueue();
  ~CardEventQueue();
  CardEventQueue(const CardEventQueue&) = delete;
  CardEventQueue& operator=(const CardEventQueue&) = delete;

  void post(QX_CALLBACK callback, int event_code);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

// Stores the callback of the handle's port (nullptr switches events off). Always 0.
int32_t register_callback(const HandleCall& call, QX_CALLBACK callback);

}  // namespace pelorus
