// Card insertion and removal, as the reader announces them.
#pragma once

#include "pelorus32.h"

namespace pelorus {

struct Library;

// Runs the callback with the event code on a new, detached thread: the listener never waits for
// a caller's code. A thread that cannot be created is traced and the event is lost.
void run_card_event_callback(QX_CALLBACK callback, int event_code);

// Stores the callback of the handle's port (nullptr switches events off). 0 or -603.
int32_t register_callback(Library& lib, int32_t handle, QX_CALLBACK callback);

}  // namespace pelorus
