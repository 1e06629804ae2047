// Registration of the module in the per-user registry (DllRegisterServer, DllUnregisterServer).
#pragma once

#include "pelorus.h"

namespace pelorus::control {

// The type library, then the control class and the property page class; SELFREG_E_TYPELIB or
// SELFREG_E_CLASS at the first step that fails, which leaves the steps before it in place.
HRESULT register_server();

// The same steps the other way round in the same order: the type library (SELFREG_E_TYPELIB
// also when it is not registered), then both classes (SELFREG_E_CLASS).
HRESULT unregister_server();

}  // namespace pelorus::control
