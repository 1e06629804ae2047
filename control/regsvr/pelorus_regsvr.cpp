// pelorus-regsvr: registers a control module in the per-user registry, or with -u unregisters it.
//   pelorus-regsvr MODULE        calls the module's DllRegisterServer
//   pelorus-regsvr -u MODULE     calls its DllUnregisterServer
// Exit status 0 on success; 1 when the module cannot be loaded or the call fails (the result code
// is printed in hexadecimal); 2 for a wrong command line.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "pelorus.h"

namespace {

// The module, loaded for the call. It stays mapped after dlclose (RTLD_NODELETE): the Qt libraries
// it brings along do not free all they allocated when they are unloaded.
class Module {
 public:
  explicit Module(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {}
  ~Module() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  void* symbol(const char* name) const { return dlsym(handle_, name); }

 private:
  void* handle_;
};

int usage() {
  std::fprintf(stderr, "usage: pelorus-regsvr [-u] MODULE\n"
                       "Registers the control module MODULE for this user; -u unregisters it.\n");
  return 2;
}

// A path as the user typed it names a file: one without a slash is taken in the current folder,
// not searched for on the loader's path.
std::string file_path(const std::string& module) {
  return module.find('/') == std::string::npos ? "./" + module : module;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  const char* module_name = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0 && !unregister) unregister = true;
    else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) return usage(), 0;
    else if (argv[i][0] != '-' && module_name == nullptr) module_name = argv[i];
    else return usage();
  }
  if (module_name == nullptr) return usage();

  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  const Module module(file_path(module_name));
  if (!module.loaded()) {
    std::fprintf(stderr, "pelorus-regsvr: cannot load %s: %s\n", module_name, dlerror());
    return 1;
  }
  auto* call = reinterpret_cast<HRESULT (*)(void)>(module.symbol(entry));
  if (call == nullptr) {
    std::fprintf(stderr, "pelorus-regsvr: %s has no %s\n", module_name, entry);
    return 1;
  }
  const HRESULT result = call();
  if (FAILED(result)) {
    std::fprintf(stderr, "pelorus-regsvr: %s in %s failed: 0x%08X\n", entry, module_name,
                 static_cast<unsigned>(result));
    return 1;
  }
  std::printf("pelorus-regsvr: %s in %s succeeded.\n", entry, module_name);
  return 0;
}
