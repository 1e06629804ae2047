#include "module_path.h"

#include <dlfcn.h>

#include <stdexcept>

namespace pelorus::control {

std::filesystem::path module_path() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&module_path), &info) == 0 || info.dli_fname == nullptr)
    throw std::runtime_error("the module's path is not known");
  return std::filesystem::canonical(info.dli_fname);
}

}  // namespace pelorus::control
