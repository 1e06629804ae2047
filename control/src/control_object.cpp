#include "control_object.h"

#include <new>

#include "com_error.h"
#include "dispatcher.h"
#include "guids.h"
#include "persistence.h"
#include "picture.h"

namespace pelorus::control {
namespace {

CPelorusCtrl& control_of(auto* self) { return owner_of<ControlObject>(self).control(); }

HRESULT GetIDsOfNames(IDispatch*, const char* const* names, std::uint32_t count, DISPID* ids) {
  return guarded([&] { return ids_of_names(names, count, ids); });
}

HRESULT Invoke(IDispatch* self, DISPID id, std::uint16_t flags, const VARIANT* args, std::uint32_t arg_count,
               VARIANT* result) {
  return invoke(control_of(self), id, flags, args, arg_count, result);
}

using DispatchUnknown = UnknownEntries<ControlObject, IDispatch>;
constexpr IDispatchVtbl kDispatchTable = {DispatchUnknown::QueryInterface, DispatchUnknown::AddRef,
                                          DispatchUnknown::Release, GetIDsOfNames, Invoke};

HRESULT GetClassID(IPersistPropertyBag*, CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_Pelorus;
  return S_OK;
}

HRESULT InitNew(IPersistPropertyBag* self) {
  CPelorusCtrl& control = control_of(self);
  control.set_persisted(default_properties());
  control.set_modified(false);
  return S_OK;
}

HRESULT Load(IPersistPropertyBag* self, IPropertyBag* bag) {
  if (bag == nullptr) return E_POINTER;
  CPelorusCtrl& control = control_of(self);
  PersistedProperties loaded{};
  const HRESULT result = load_properties(*bag, loaded);
  if (FAILED(result)) return result;
  control.set_persisted(loaded);
  control.set_modified(false);
  return S_OK;
}

HRESULT Save(IPersistPropertyBag* self, IPropertyBag* bag, std::int32_t clear_dirty) {
  if (bag == nullptr) return E_POINTER;
  CPelorusCtrl& control = control_of(self);
  const HRESULT result = guarded([&] { return save_properties(control.persisted(), *bag); });
  if (SUCCEEDED(result) && clear_dirty) control.set_modified(false);
  return result;
}

HRESULT IsDirty(IPersistPropertyBag* self) { return control_of(self).modified() ? S_OK : S_FALSE; }

using PersistUnknown = UnknownEntries<ControlObject, IPersistPropertyBag>;
constexpr IPersistPropertyBagVtbl kPersistTable = {PersistUnknown::QueryInterface, PersistUnknown::AddRef,
                                                   PersistUnknown::Release, GetClassID, InitNew, Load, Save, IsDirty};

HRESULT Draw(IViewObject*, std::uint8_t* pixels, std::int32_t width, std::int32_t height, std::int32_t stride,
             const RECT* bounds) {
  return draw_picture(pixels, width, height, stride, bounds);
}

using ViewUnknown = UnknownEntries<ControlObject, IViewObject>;
constexpr IViewObjectVtbl kViewTable = {ViewUnknown::QueryInterface, ViewUnknown::AddRef, ViewUnknown::Release, Draw};

HRESULT GetPages(ISpecifyPropertyPages*, CLSID* pages, std::uint32_t capacity, std::uint32_t* count) {
  if (count == nullptr || (capacity > 0 && pages == nullptr)) return E_POINTER;
  *count = 1;
  if (capacity > 0) pages[0] = CLSID_PelorusPropPage;
  return S_OK;
}

using PagesUnknown = UnknownEntries<ControlObject, ISpecifyPropertyPages>;
constexpr ISpecifyPropertyPagesVtbl kPagesTable = {PagesUnknown::QueryInterface, PagesUnknown::AddRef,
                                                   PagesUnknown::Release, GetPages};

}  // namespace

ControlObject::ControlObject()
    : dispatch_(&kDispatchTable, this), persist_(&kPersistTable, this), view_(&kViewTable, this),
      pages_(&kPagesTable, this) {}

HRESULT ControlObject::create(const IID* iid, void** object) {
  return guarded([&] { return hand_out(new ControlObject, iid, object); });
}

HRESULT ControlObject::query_interface(const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == nullptr) return E_POINTER;
  if (*iid == IID_IUnknown || *iid == IID_IDispatch || *iid == DIID__DPelorus) *object = &dispatch_;
  else if (*iid == IID_IPersistPropertyBag) *object = &persist_;
  else if (*iid == IID_IViewObject) *object = &view_;
  else if (*iid == IID_ISpecifyPropertyPages) *object = &pages_;
  else return E_NOINTERFACE;
  add_ref();
  return S_OK;
}

}  // namespace pelorus::control
