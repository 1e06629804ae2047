// Card insertion and removal, as the reader announces them.
#pragma once

#include <cstdint>
#include <memory>

#include "pelorus32.h"

namespace pelorus {

struct HandleCall;

// Card events on their way to the caller's callback: each event runs the callback exactly once,
// in the order the reader sent the events, on a thread of the library's own (never the listener's
// or the caller's). An event that comes while no callback runs gets a new thread; events that
// come while one still runs wait for it and follow on the same thread, so that callbacks never
// overtake each other and a flood of events costs one thread, not one each. The listener never
// waits for a caller's code, and the thread is not joined: a port that closes leaves it to finish
// on its own. A reader that floods the line while a callback blocks cannot make the queue grow
// without end: past kMaxWaiting events the newest are dropped (and traced).
class CardEventQueue {
 public:
  static constexpr size_t kMaxWaiting = 65536;

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
