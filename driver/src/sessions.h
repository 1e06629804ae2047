// Card sessions: select the card type, power the card up and take its answer to reset; power it
// down again.
#pragma once

#include <cstdint>

#include "pelorus32.h"

namespace pelorus {

struct Library;

int32_t start_session(Library& lib, int32_t handle, QX_SESSION* session);
int32_t end_session(Library& lib, int32_t handle);

}  // namespace pelorus
