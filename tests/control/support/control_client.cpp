#include "control_client.h"

namespace control_test {

Variant Variant::i2(std::int16_t value) {
  Variant v;
  v.value_.vt = VT_I2;
  v.value_.iVal = value;
  return v;
}

Variant Variant::i4(std::int32_t value) {
  Variant v;
  v.value_.vt = VT_I4;
  v.value_.lVal = value;
  return v;
}

Variant Variant::boolean(bool value) {
  Variant v;
  v.value_.vt = VT_BOOL;
  v.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::string(const char* value) {
  Variant v;
  v.value_.vt = VT_BSTR;
  v.value_.bstrVal = const_cast<char*>(value);
  v.owned_ = false;
  return v;
}

Variant::~Variant() {
  if (owned_) VariantClear(&value_);
}

Variant::Variant(Variant&& other) noexcept : value_(other.value_), owned_(other.owned_) { VariantInit(&other.value_); }

DISPID ControlClient::id(const char* name) const {
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(dispatch_->lpVtbl->GetIDsOfNames(dispatch_.get(), &name, 1, &id), S_OK) << name;
  return id;
}

Result ControlClient::invoke(DISPID id, std::uint16_t flags, std::vector<Variant> arguments) const {
  std::vector<VARIANT> args;
  for (Variant& argument : arguments) args.push_back(argument.value());
  Variant out;
  Result result;
  result.hr = dispatch_->lpVtbl->Invoke(dispatch_.get(), id, flags, args.data(), static_cast<std::uint32_t>(args.size()),
                                        out.get());
  result.vt = out.value().vt;
  switch (result.vt) {
    case VT_I2: result.integer = out.value().iVal; break;
    case VT_I4: result.integer = out.value().lVal; break;
    case VT_BOOL: result.integer = out.value().boolVal; break;
    case VT_BSTR: result.text = out.value().bstrVal; break;
    default: break;
  }
  return result;
}

HRESULT ControlClient::put(const char* name, Variant value) const {
  std::vector<Variant> arguments;
  arguments.push_back(std::move(value));
  return invoke(id(name), DISPATCH_PROPERTYPUT, std::move(arguments)).hr;
}

Result ControlClient::get_at(const char* name, std::int16_t index) const {
  std::vector<Variant> arguments;
  arguments.push_back(Variant::i2(index));
  return invoke(id(name), DISPATCH_PROPERTYGET, std::move(arguments));
}

HRESULT ControlClient::put_at(const char* name, std::int16_t index, Variant value) const {
  std::vector<Variant> arguments;
  arguments.push_back(Variant::i2(index));
  arguments.push_back(std::move(value));
  return invoke(id(name), DISPATCH_PROPERTYPUT, std::move(arguments)).hr;
}

}  // namespace control_test
