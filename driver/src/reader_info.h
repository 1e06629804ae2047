// The reader's information block, and reader options.
#pragma once

#include <cstdint>

#include "pelorus32.h"

namespace pelorus {

struct Library;

int32_t get_info(Library& lib, int32_t handle, QX_INFO* info);
int32_t set_options(Library& lib, int32_t handle, uint32_t option, uint32_t value);
int32_t options(Library& lib, int32_t handle, int32_t option, int32_t value, uint8_t* buffer, int32_t length);

}  // namespace pelorus
