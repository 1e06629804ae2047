#include "card_events.h"

#include <system_error>
#include <thread>

#include "library.h"
#include "trace.h"

namespace pelorus {

void run_card_event_callback(QX_CALLBACK callback, CardEventCodes event_codes) {
  try {
    std::thread([callback, codes = std::move(event_codes)] {
      for (const int code : codes) callback(code);
    }).detach();
  } catch (const std::system_error& e) {
    trace::format("card events lost: no thread (%s)\n", e.what());
  }
}

int32_t register_callback(Library& lib, int32_t handle, QX_CALLBACK callback) {
  HandleSlot* slot = lib.slot(handle);
  if (slot == nullptr) return QX_ERR_BAD_HANDLE;
  lib.port(slot->port)->callback = callback;
  return 0;
}

}  // namespace pelorus
