#include "Callback.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <mutex>
#include <thread>

namespace kestrel {

// What a library thread needs to deliver an event. The library threads hold it by shared pointer,
// so it outlives a TCallback that goes while one of them is on its way in.
struct TCallback::Relay {
  explicit Relay(TCallback& owner) : receiver(&owner) {}

  // Held by a delivering thread from storing the code until the handler has run: the one
  // pending-event slot is never overwritten before it was read.
  std::mutex delivery;
  std::atomic<int32_t> pending_code{0};
  // Set under the delivery lock when the TCallback goes; afterwards nothing is delivered.
  bool closed = false;
  // The user-interface thread's object the calls are queued to; valid while not closed.
  TCallback* receiver;
  // Touched on the user-interface thread only.
  Handler handler;
};

struct TCallback::Current {
  std::mutex lock;
  std::shared_ptr<Relay> relay;
};

TCallback::Current TCallback::current_;

TCallback::TCallback() : relay_(std::make_shared<Relay>(*this)) {
  std::lock_guard lock(current_.lock);
  current_.relay = relay_;
}

TCallback::~TCallback() {
  {
    std::lock_guard lock(current_.lock);
    if (current_.relay == relay_) current_.relay.reset();
  }
  relay_->handler = nullptr;
  // A library thread may hold the delivery lock while it waits for this thread: run what it
  // queued (the handler is gone, so nothing happens) until the lock is free.
  while (!relay_->delivery.try_lock()) {
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    std::this_thread::yield();
  }
  relay_->closed = true;
  relay_->delivery.unlock();
}

int32_t TCallback::register_handler(const Registrar& registrar, Handler handler) {
  const int32_t result = registrar(&TCallback::relay);
  relay_->handler = result >= 0 ? std::move(handler) : nullptr;
  return result;
}

int32_t TCallback::relay(int32_t code) {
  std::shared_ptr<Relay> relay;
  {
    std::lock_guard lock(current_.lock);
    relay = current_.relay;
  }
  if (!relay) return 0;
  std::lock_guard lock(relay->delivery);
  if (relay->closed) return 0;
  relay->pending_code.store(code);
  if (QThread::currentThread() == relay->receiver->thread()) {
    relay->receiver->run_pending();
  } else {
    // Invoked by name, so that the call carries no data of ours from thread to thread: the code
    // travels through the pending slot.
    QMetaObject::invokeMethod(relay->receiver, "run_pending", Qt::BlockingQueuedConnection);
  }
  return 0;
}

void TCallback::run_pending() {
  if (relay_->handler) relay_->handler(relay_->pending_code.load());
}

}  // namespace kestrel
