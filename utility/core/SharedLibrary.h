// A shared library loaded at run time by file name, released when its owner goes.
#pragma once

#include <dlfcn.h>

#include <string>
#include <utility>

namespace kestrel {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  // Loads the library; loaded() tells whether that worked, error() why not.
  explicit SharedLibrary(const std::string& file) : handle_(::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) {
      const char* why = ::dlerror();
      error_ = why != nullptr ? why : file + ": cannot be loaded";
    }
  }
  ~SharedLibrary() { reset(); }
  SharedLibrary(SharedLibrary&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}
  SharedLibrary& operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
      error_ = std::move(other.error_);
    }
    return *this;
  }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }

  // The entry point of that name, or nullptr.
  template <typename Function>
  Function entry(const char* name) const {
    return handle_ != nullptr ? reinterpret_cast<Function>(::dlsym(handle_, name)) : nullptr;
  }

  void reset() {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
  }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace kestrel
