// The shape shared by the module's objects: an object is a C++ class holding one face per
// interface (a struct whose first member is the interface's table pointer, followed by a pointer
// back to the object), with a reference count that destroys it with its last reference and
// counts it as a live object of the module meanwhile.
#pragma once

#include <atomic>
#include <cstdint>

#include "module_counts.h"
#include "pelorus.h"

namespace pelorus::control {

template <class Interface, class Owner>
struct Face : Interface {
  Face(const decltype(Interface::lpVtbl) table, Owner* owner_object) : Interface{table}, owner(owner_object) {}
  Owner* owner;
};

template <class Owner, class Interface>
Owner& owner_of(Interface* self) {
  return *static_cast<Face<Interface, Owner>*>(self)->owner;
}

// The IUnknown entries of every table of Owner's interfaces; Owner has query_interface,
// add_ref and release.
template <class Owner, class Interface>
struct UnknownEntries {
  static HRESULT QueryInterface(Interface* self, const IID* iid, void** object) {
    return owner_of<Owner>(self).query_interface(iid, object);
  }
  static std::uint32_t AddRef(Interface* self) { return owner_of<Owner>(self).add_ref(); }
  static std::uint32_t Release(Interface* self) { return owner_of<Owner>(self).release(); }
};

class RefCounted {
 public:
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  std::uint32_t add_ref() { return ++references_; }
  std::uint32_t release() {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  RefCounted() { module_counts::object_created(); }
  virtual ~RefCounted() { module_counts::object_destroyed(); }

 private:
  std::atomic<std::uint32_t> references_{1};
};

// Hands out interface (with a reference) of a newly made object and drops the maker's reference,
// so that an object nobody could ask for the interface goes at once.
template <class Object>
HRESULT hand_out(Object* object, const IID* iid, void** out) {
  const HRESULT result = object->query_interface(iid, out);
  object->release();
  return result;
}

}  // namespace pelorus::control
