// Line rates and the codes that name them in the start-up frame and in the rate-change command.
#pragma once

#include <cstdint>
#include <optional>

#include "kitesim/reader_config.h"

namespace kitesim {

std::optional<std::uint8_t> rate_code(Model model, std::uint32_t rate);
std::optional<std::uint32_t> rate_for_code(Model model, std::uint8_t code);

}  // namespace kitesim
