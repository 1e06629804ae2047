#include "card_events.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>

#include "library.h"
#include "trace.h"

namespace pelorus {

struct CardEventQueue::Shared {
  std::mutex mutex;
  std::condition_variable turn;
  uint64_t tickets = 0;  // handed out, one per event
  uint64_t entering = 0;  // the ticket whose callback starts next
  int running = 0;        // threads not yet finished

  void run(QX_CALLBACK callback, int code, uint64_t ticket) {
    {
      std::unique_lock lock(mutex);
      turn.wait(lock, [&] { return entering == ticket; });
      ++entering;
    }
    turn.notify_all();
    callback(code);
    std::lock_guard lock(mutex);
    --running;
  }
};

CardEventQueue::CardEventQueue() : shared_(std::make_shared<Shared>()) {}
CardEventQueue::~CardEventQueue() = default;

// Called by one thread at a time (under the listener's lock), so a ticket that gets no thread can
// be taken back before the next is handed out.
void CardEventQueue::post(QX_CALLBACK callback, int event_code) {
  uint64_t ticket;
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->running >= kMaxRunning) {
      trace::format("Card event %d lost: %d callbacks still running\n", event_code, shared_->running);
      return;
    }
    ticket = shared_->tickets++;
    ++shared_->running;
  }
  try {
    std::thread([shared = shared_, callback, event_code, ticket] { shared->run(callback, event_code, ticket); }).detach();
  } catch (const std::system_error& e) {
    trace::format("Card event %d lost: no thread (%s)\n", event_code, e.what());
    std::lock_guard lock(shared_->mutex);
    --shared_->tickets;
    --shared_->running;
  }
}

int32_t register_callback(const HandleCall& call, QX_CALLBACK callback) {
  call.port.callback = callback;
  return 0;
}

}  // namespace pelorus
