// A failure inside the module that ends a call with a result code. Thrown by code below the
// interfaces and caught where a call enters the module, so that no exception crosses the C ABI.
#pragma once

#include <stdexcept>

#include "pelorus.h"

namespace pelorus::control {

class ComError : public std::runtime_error {
 public:
  ComError(HRESULT code, const char* what) : std::runtime_error(what), code_(code) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

// Runs body and turns what it throws into a result code: ComError into its code, running out of
// memory into E_OUTOFMEMORY, anything else into E_UNEXPECTED.
template <class Body>
HRESULT guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const ComError& error) {
    return error.code();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace pelorus::control
