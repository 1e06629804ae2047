// Where the module itself lives, for the registry.
#pragma once

#include <filesystem>

namespace pelorus::control {

// The absolute path of the loaded module; throws std::runtime_error when it cannot be found.
std::filesystem::path module_path();

}  // namespace pelorus::control
