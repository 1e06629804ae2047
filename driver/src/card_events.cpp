#include "card_events.h"

#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "library.h"
#include "trace.h"

namespace pelorus {

struct CardEventQueue::Shared {
  std::mutex mutex;
  std::deque<std::pair<QX_CALLBACK, int>> waiting;
  bool delivering = false;  // a thread is running the callbacks

  // Runs on the delivery thread until nothing is waiting.
  void deliver() {
    for (;;) {
      std::unique_lock lock(mutex);
      if (waiting.empty()) {
        delivering = false;
        return;
      }
      const auto [callback, code] = waiting.front();
      waiting.pop_front();
      lock.unlock();
      callback(code);
    }
  }
};

CardEventQueue::CardEventQueue() : shared_(std::make_shared<Shared>()) {}
CardEventQueue::~CardEventQueue() = default;

void CardEventQueue::post(QX_CALLBACK callback, int event_code) {
  std::unique_lock lock(shared_->mutex);
  if (shared_->waiting.size() >= kMaxWaiting) {
    trace::format("Card event %d lost: %zu events wait for the callback\n", event_code, shared_->waiting.size());
    return;
  }
  shared_->waiting.emplace_back(callback, event_code);
  if (shared_->delivering) return;
  shared_->delivering = true;
  lock.unlock();
  try {
    std::thread([shared = shared_] { shared->deliver(); }).detach();
  } catch (const std::system_error& e) {
    lock.lock();
    trace::format("%zu card events lost: no thread (%s)\n", shared_->waiting.size(), e.what());
    shared_->waiting.clear();
    shared_->delivering = false;
  }
}

int32_t register_callback(const HandleCall& call, QX_CALLBACK callback) {
  call.port.callback = callback;
  return 0;
}

}  // namespace pelorus
