#include "card_events.h"

#include <system_error>
#include <thread>

#include "library.h"
#include "trace.h"

namespace pelorus {

void run_card_event_callback(QX_CALLBACK callback, int event_code) {
  try {
    std::thread([callback, event_code] { callback(event_code); }).detach();
  } catch (const std::system_error& e) {
    trace::format("card event %d lost: no thread (%s)\n", event_code, e.what());
  }
}

int32_t register_callback(Library& lib, int32_t handle, QX_CALLBACK callback) {
  HandleSlot* slot = lib.slot(handle);
  if (slot == nullptr) return QX_ERR_BAD_HANDLE;
  lib.port(slot->port)->callback = callback;
  return 0;
}

}  // namespace pelorus
