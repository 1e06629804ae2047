// The module as a component: its four exports, its class factories, the objects' interfaces and
// reference counts, and when it may be unloaded.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string>

#include "control_client.h"
#include "elf_symbols.h"
#include "pelorus.h"

extern "C" int pelorus_header_compiles_as_c(void);

namespace control_test {
namespace {

TEST(Module, ExportsExactlyTheFourFunctions) {
  const std::set<std::string> expected = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                          "DllUnregisterServer"};
  EXPECT_EQ(test_support::exported_symbols(PELORUS_MODULE), expected);
}

TEST(Module, VariantAndGuidHaveTheirFixedLayout) {
  EXPECT_EQ(sizeof(GUID), 16u);
  EXPECT_EQ(sizeof(VARIANT), 16u);
  EXPECT_EQ(offsetof(VARIANT, iVal), 8u);
  EXPECT_EQ(pelorus_header_compiles_as_c(), 16) << "the same layout in C";
}

TEST(Module, ClassObjectRefusesWhatItDoesNotServe) {
  void* object = &object;
  EXPECT_EQ(DllGetClassObject(&CLSID_Pelorus, &IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(DllGetClassObject(&IID_IDispatch, &IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(DllGetClassObject(&CLSID_Pelorus, &IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(DllCanUnloadNow(), S_OK) << "a refused request holds nothing";
}

TEST(Module, FactoriesRefuseAggregationAndUnknownInterfaces) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(DllGetClassObject(&CLSID_Pelorus, &IID_IUnknown, factory.out()), S_OK);
  void* object = &object;
  auto* outer = reinterpret_cast<IUnknown*>(factory.get());
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory.get(), outer, &IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory.get(), nullptr, &IID_IPropertyPage, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  factory.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK) << "an object nobody got is gone";
}

TEST(Module, ControlHasItsInterfacesAndOneIdentity) {
  ControlClient control;
  const auto unknown = control.query<IUnknown>(IID_IUnknown);
  const auto by_dispinterface = control.query<IDispatch>(DIID__DPelorus);
  const auto persist = control.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
  const auto view = control.query<IViewObject>(IID_IViewObject);
  const auto pages = control.query<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages);
  ASSERT_TRUE(unknown && by_dispinterface && persist && view && pages);
  EXPECT_EQ(static_cast<void*>(by_dispinterface.get()), static_cast<void*>(control.dispatch()));
  EXPECT_EQ(static_cast<void*>(persist.query<IUnknown>(IID_IUnknown).get()), static_cast<void*>(unknown.get()));
  EXPECT_FALSE(control.query<IPropertyPage>(IID_IPropertyPage));

  CLSID pages_named[2] = {};
  std::uint32_t count = 0;
  EXPECT_EQ(pages->lpVtbl->GetPages(pages.get(), pages_named, 2, &count), S_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(std::memcmp(&pages_named[0], &CLSID_PelorusPropPage, sizeof(CLSID)), 0);
  CLSID clsid{};
  EXPECT_EQ(persist->lpVtbl->GetClassID(persist.get(), &clsid), S_OK);
  EXPECT_EQ(std::memcmp(&clsid, &CLSID_Pelorus, sizeof(CLSID)), 0);
}

TEST(Module, PropertyPageDescribesItself) {
  const auto page = create<IPropertyPage>(CLSID_PelorusPropPage, IID_IPropertyPage);
  ASSERT_TRUE(page);
  PROPPAGEINFO info{};
  EXPECT_EQ(page->lpVtbl->GetPageInfo(page.get(), &info), S_OK);
  EXPECT_STREQ(info.title, "General");
  EXPECT_EQ(info.width, 250);
  EXPECT_EQ(info.height, 62);
  EXPECT_EQ(page->lpVtbl->SetObjects(page.get(), 0, nullptr), S_OK);
  EXPECT_EQ(page->lpVtbl->Apply(page.get()), S_OK);
  EXPECT_EQ(page->lpVtbl->IsPageDirty(page.get()), S_FALSE);
}

TEST(Module, CanUnloadOnlyWithoutObjectsFactoriesAndLocks) {
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  {
    ControlClient control;
    const auto second_reference = control.query<IViewObject>(IID_IViewObject);
    control.release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "an interface of the control is still held";
  }
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(DllGetClassObject(&CLSID_PelorusPropPage, &IID_IClassFactory, factory.out()), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a factory is held";
  EXPECT_EQ(factory->lpVtbl->LockServer(factory.get(), 1), S_OK);
  factory.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the module is locked";

  ASSERT_EQ(DllGetClassObject(&CLSID_PelorusPropPage, &IID_IClassFactory, factory.out()), S_OK);
  EXPECT_EQ(factory->lpVtbl->LockServer(factory.get(), 0), S_OK);
  EXPECT_EQ(factory->lpVtbl->LockServer(factory.get(), 0), S_OK) << "an unlock without a lock is ignored";
  factory.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace control_test
