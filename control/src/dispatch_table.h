// The dispatch interface _DPelorus as one table: every member with its identifier, name, kind,
// type and access, in the type library's order, and the CPelorusCtrl members that serve it. The
// dispatcher, the type library and through it the scripting host all read this table.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "pelorus.h"
#include "pelorus_ctrl.h"
#include "value.h"

namespace pelorus::control {

enum class Kind {
  Property,          // a plain property
  IndexedProperty,   // a property with one i16 argument
  Method,            // a method without arguments
};

struct Member {
  DISPID id;
  std::string_view name;
  Kind kind;
  Type type;                     // of the value, or of a method's result
  std::string_view enumeration;  // the enumeration the value is of, when it is of one
  bool read_only;
  std::string_view argument;     // the argument's name (indexed properties)
  // A get, or a method's call; the argument is the index of an indexed property, else 0.
  Value (*get)(CPelorusCtrl& control, std::int16_t argument);
  // A put of a value already of the member's type; null for read-only properties and methods.
  void (*put)(CPelorusCtrl& control, std::int16_t argument, const Value& value);
};

std::span<const Member> dispatch_members();

// The member with identifier id, or null.
const Member* member_by_id(DISPID id);
// Whether two names are the same but for ASCII case.
bool names_match(std::string_view a, std::string_view b);

// The member whose name matches ignoring ASCII case, or null.
const Member* member_by_name(std::string_view name);

}  // namespace pelorus::control
