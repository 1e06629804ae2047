// Card sessions: select the card type, power the card up and take its answer to reset; power it
// down again.
#pragma once

#include <cstdint>

#include "pelorus32.h"

namespace pelorus {

struct HandleCall;

int32_t start_session(const HandleCall& call, QX_SESSION* session);
int32_t end_session(const HandleCall& call);

}  // namespace pelorus
