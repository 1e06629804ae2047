// TCallback: the relay between the reader library's card-event threads and the user-interface
// thread. The library calls a plain function on a new thread for every card insertion or removal;
// the relay puts the code into its one pending-event slot, hands the call to the user-interface
// thread and blocks until the handler has run there. Events that arrive together take turns at the
// slot, so each code is handled exactly once.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

#include "pelorus32.h"

namespace kestrel {

class TCallback : public QObject {
  Q_OBJECT

 public:
  // Runs on the user-interface thread with the event code. The library is answered 0 whatever it
  // returns.
  using Handler = std::function<int32_t(int32_t)>;
  // Hands the relay function to the library (the binding's register card-event handler).
  using Registrar = std::function<int32_t(QX_CALLBACK)>;

  // Created on the user-interface thread; the handlers run on this thread.
  TCallback();
  // Events still on their way are dropped, and no library thread is left waiting.
  ~TCallback() override;

  // Registers the relay function; keeps the handler only when the registration gave 0 or more.
  // Returns the registration's result.
  int32_t register_handler(const Registrar& registrar, Handler handler);

 private:
  struct Relay;

  // The function the library calls, on a thread of its own.
  static int32_t relay(int32_t code);
  // Runs the handler with the pending code, on the user-interface thread.
  Q_INVOKABLE void run_pending();

  // The one piece of global state: where the library's plain function finds the relay.
  struct Current;
  static Current current_;

  std::shared_ptr<Relay> relay_;
};

}  // namespace kestrel
