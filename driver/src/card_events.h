// Card insertion and removal, as the reader announces them.
#pragma once

#include <vector>

#include "pelorus32.h"

namespace pelorus {

struct Library;

// The events of one read of the line: a card swapped at once sends a removal and an insertion
// together.
using CardEventCodes = std::vector<int>;

// Runs the callback with each event code, in order, on one new, detached thread: the listener
// never waits for a caller's code, and events that arrived together are not reordered. A thread
// that cannot be created is traced and the events are lost.
void run_card_event_callback(QX_CALLBACK callback, CardEventCodes event_codes);

// Stores the callback of the handle's port (nullptr switches events off). 0 or -603.
int32_t register_callback(Library& lib, int32_t handle, QX_CALLBACK callback);

}  // namespace pelorus
