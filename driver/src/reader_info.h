// The reader's information block, and reader options.
#pragma once

#include <cstdint>

#include "pelorus32.h"

namespace pelorus {

struct HandleCall;

int32_t get_info(const HandleCall& call, QX_INFO* info);
int32_t set_options(const HandleCall& call, uint32_t option, uint32_t value);
int32_t options(const HandleCall& call, int32_t option, int32_t value, uint8_t* buffer, int32_t length);

}  // namespace pelorus
