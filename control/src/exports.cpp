// The module's four exports; nothing else of the module is visible outside it.
#include "class_factory.h"
#include "module_counts.h"
#include "pelorus.h"
#include "registration.h"

using namespace pelorus::control;

extern "C" {

PELORUS_API HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
  return class_object(clsid, iid, object);
}

PELORUS_API HRESULT DllCanUnloadNow(void) { return module_counts::can_unload() ? S_OK : S_FALSE; }

PELORUS_API HRESULT DllRegisterServer(void) { return register_server(); }

PELORUS_API HRESULT DllUnregisterServer(void) { return unregister_server(); }

}  // extern "C"
