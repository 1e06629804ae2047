#include "prop_page_object.h"

#include "com_error.h"
#include "dialogs/prop_page_dialog.h"
#include "guids.h"
#include "resources.h"

namespace pelorus::control {
namespace {

HRESULT GetPageInfo(IPropertyPage*, PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->title = resources::kPropPageCaption;
  info->width = kPropPageWidth;
  info->height = kPropPageHeight;
  return S_OK;
}

// The page exchanges no data with the objects it is for.
HRESULT SetObjects(IPropertyPage*, std::uint32_t count, IUnknown** objects) {
  return count > 0 && objects == nullptr ? E_POINTER : S_OK;
}

HRESULT Show(IPropertyPage*) {
  return guarded([] {
    show_property_page();
    return S_OK;
  });
}

HRESULT Apply(IPropertyPage*) { return S_OK; }
HRESULT IsPageDirty(IPropertyPage*) { return S_FALSE; }

using PageUnknown = UnknownEntries<PropPageObject, IPropertyPage>;
constexpr IPropertyPageVtbl kPageTable = {PageUnknown::QueryInterface, PageUnknown::AddRef, PageUnknown::Release,
                                          GetPageInfo, SetObjects, Show, Apply, IsPageDirty};

}  // namespace

PropPageObject::PropPageObject() : page_(&kPageTable, this) {}

HRESULT PropPageObject::create(const IID* iid, void** object) {
  return guarded([&] { return hand_out(new PropPageObject, iid, object); });
}

HRESULT PropPageObject::query_interface(const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == nullptr) return E_POINTER;
  if (!(*iid == IID_IUnknown || *iid == IID_IPropertyPage)) return E_NOINTERFACE;
  *object = &page_;
  add_ref();
  return S_OK;
}

}  // namespace pelorus::control
