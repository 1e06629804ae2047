#include "class_factory.h"

#include <array>

#include "control_object.h"
#include "guids.h"
#include "module_counts.h"
#include "prop_page_object.h"

namespace pelorus::control {
namespace {

struct ClassFactory : IClassFactory {
  const CLSID* clsid;
  HRESULT (*create)(const IID* iid, void** object);
};

HRESULT QueryInterface(IClassFactory* self, const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == nullptr) return E_POINTER;
  if (!(*iid == IID_IUnknown || *iid == IID_IClassFactory)) return E_NOINTERFACE;
  module_counts::factory_referenced();
  *object = self;
  return S_OK;
}

// The factories are never destroyed; the counts only say whether anyone still holds one.
std::uint32_t AddRef(IClassFactory*) {
  module_counts::factory_referenced();
  return 2;
}

std::uint32_t Release(IClassFactory*) {
  module_counts::factory_released();
  return 1;
}

HRESULT CreateInstance(IClassFactory* self, IUnknown* outer, const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return static_cast<ClassFactory*>(self)->create(iid, object);
}

HRESULT LockServer(IClassFactory*, std::int32_t lock) {
  if (lock) module_counts::lock();
  else module_counts::unlock();
  return S_OK;
}

constexpr IClassFactoryVtbl kFactoryTable = {QueryInterface, AddRef, Release, CreateInstance, LockServer};

constinit std::array<ClassFactory, 2> factories = {{
    {{&kFactoryTable}, &CLSID_Pelorus, &ControlObject::create},
    {{&kFactoryTable}, &CLSID_PelorusPropPage, &PropPageObject::create},
}};

}  // namespace

HRESULT class_object(const CLSID* clsid, const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid == nullptr || iid == nullptr) return E_POINTER;
  for (ClassFactory& factory : factories)
    if (*factory.clsid == *clsid) return QueryInterface(&factory, iid, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace pelorus::control
