#include "persistence.h"

#include <array>
#include <string_view>

#include "com_error.h"
#include "value.h"

namespace pelorus::control {
namespace {

struct PersistedValue {
  const char* name;
  std::int16_t PersistedProperties::*member;
  std::int16_t default_value;
};

constexpr std::array<PersistedValue, 3> kPersisted = {{
    {"ReaderPort", &PersistedProperties::reader_port, 1},
    {"ReaderType", &PersistedProperties::reader_type, 255},
    {"CardType", &PersistedProperties::card_type, 0},
}};

// The data version, major in the high half: 1.0.
constexpr const char* kVersionName = "_Version";
constexpr std::int32_t kDataVersion = 0x00010000;

// A VARIANT that frees what the bag put into it.
struct OwnedVariant {
  VARIANT variant;
  OwnedVariant() { VariantInit(&variant); }
  ~OwnedVariant() { VariantClear(&variant); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
};

}  // namespace

PersistedProperties default_properties() {
  PersistedProperties properties{};
  for (const PersistedValue& value : kPersisted) properties.*value.member = value.default_value;
  return properties;
}

HRESULT save_properties(const PersistedProperties& properties, IPropertyBag& bag) {
  VARIANT version;
  VariantInit(&version);
  version.vt = VT_I4;
  version.lVal = kDataVersion;
  if (const HRESULT result = bag.lpVtbl->Write(&bag, kVersionName, &version); FAILED(result)) return result;
  for (const PersistedValue& value : kPersisted) {
    VARIANT item;
    VariantInit(&item);
    item.vt = VT_I2;
    item.iVal = properties.*value.member;
    if (const HRESULT result = bag.lpVtbl->Write(&bag, value.name, &item); FAILED(result)) return result;
  }
  return S_OK;
}

HRESULT load_properties(IPropertyBag& bag, PersistedProperties& out) {
  return guarded([&] {
    PersistedProperties loaded = default_properties();
    for (const PersistedValue& value : kPersisted) {
      OwnedVariant item;
      item.variant.vt = VT_I2;  // the type asked for
      const HRESULT result = bag.lpVtbl->Read(&bag, value.name, &item.variant);
      if (result == E_INVALIDARG) continue;  // not in the bag: the default
      if (FAILED(result)) return result;
      loaded.*value.member = std::get<std::int16_t>(from_variant(item.variant, Type::I16));
    }
    out = loaded;
    return S_OK;
  });
}

}  // namespace pelorus::control
