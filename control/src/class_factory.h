// The module's two class factories, one for the control and one for the property page. They
// exist from the module's load to its unload; a reference to one keeps the module loaded.
#pragma once

#include "pelorus.h"

namespace pelorus::control {

// DllGetClassObject: the factory of clsid as interface iid.
HRESULT class_object(const CLSID* clsid, const IID* iid, void** object);

}  // namespace pelorus::control
