// The control as a host reaches it: through libPelorus.so's exports and interfaces only. A
// ComPtr owns one reference; a Variant owns what it holds; ControlClient drives a control by the
// names of its members.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pelorus.h"

namespace control_test {

template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(Interface* pointer) : pointer_(pointer) {}
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // For calls that hand out an interface: void** out.
  void** out() {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  void reset() {
    if (Interface* old = std::exchange(pointer_, nullptr); old != nullptr) old->lpVtbl->Release(old);
  }

  // The object's interface iid, or an empty pointer.
  template <class Other>
  ComPtr<Other> query(const IID& iid) const {
    ComPtr<Other> other;
    pointer_->lpVtbl->QueryInterface(pointer_, &iid, other.out());
    return other;
  }

 private:
  Interface* pointer_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&value_); }
  static Variant i2(std::int16_t value);
  static Variant i4(std::int32_t value);
  static Variant boolean(bool value);
  static Variant string(const char* value);  // borrowed: the text must outlive the Variant
  ~Variant();
  Variant(Variant&& other) noexcept;
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* get() { return &value_; }
  const VARIANT& value() const { return value_; }

 private:
  VARIANT value_;
  bool owned_ = true;
};

// A value read back: its type and its content.
struct Result {
  HRESULT hr = S_OK;
  VARTYPE vt = VT_EMPTY;
  std::int32_t integer = 0;  // VT_I2, VT_I4, VT_BOOL (-1 or 0)
  std::string text;          // VT_BSTR
};

// Creates an object of clsid through DllGetClassObject and the class factory.
template <class Interface>
ComPtr<Interface> create(const CLSID& clsid, const IID& iid) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(DllGetClassObject(&clsid, &IID_IClassFactory, factory.out()), S_OK);
  ComPtr<Interface> object;
  if (factory) {
    EXPECT_EQ(factory->lpVtbl->CreateInstance(factory.get(), nullptr, &iid, object.out()), S_OK);
  }
  return object;
}

class ControlClient {
 public:
  ControlClient() : dispatch_(create<IDispatch>(CLSID_Pelorus, IID_IDispatch)) {}

  DISPID id(const char* name) const;
  Result invoke(DISPID id, std::uint16_t flags, std::vector<Variant> arguments = {}) const;

  Result get(const char* name) const { return invoke(id(name), DISPATCH_PROPERTYGET); }
  HRESULT put(const char* name, Variant value) const;
  std::int32_t call(const char* name) const { return invoke(id(name), DISPATCH_METHOD).integer; }
  Result get_at(const char* name, std::int16_t index) const;
  HRESULT put_at(const char* name, std::int16_t index, Variant value) const;

  // Shorthands for the i16 properties.
  std::int32_t number(const char* name) const { return get(name).integer; }
  void set(const char* name, std::int16_t value) const { EXPECT_EQ(put(name, Variant::i2(value)), S_OK) << name; }

  IDispatch* dispatch() const { return dispatch_.get(); }
  template <class Other>
  ComPtr<Other> query(const IID& iid) const { return dispatch_.query<Other>(iid); }
  void release() { dispatch_.reset(); }

 private:
  ComPtr<IDispatch> dispatch_;
};

}  // namespace control_test
