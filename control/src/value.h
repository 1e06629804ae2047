// The control's values on this side of the C ABI, and their crossing to and from VARIANT.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "pelorus.h"

namespace pelorus::control {

// The automation types of the control's members.
enum class Type { Void, I16, I32, Bool, String };

using Value = std::variant<std::monostate, std::int16_t, std::int32_t, bool, std::string>;

// The type's name as the type library writes it: void, i16, i32, bool, string.
std::string_view type_name(Type type);

// Takes an argument as type: integers from VT_I2, VT_I4 and VT_BOOL (DISP_E_OVERFLOW out of
// range), bool from VT_BOOL, VT_I2 and VT_I4, strings from VT_BSTR only; anything else throws
// ComError(DISP_E_TYPEMISMATCH).
Value from_variant(const VARIANT& variant, Type type);

// Fills out with value; a string is copied with malloc and belongs to the receiver.
void to_variant(const Value& value, VARIANT& out);

}  // namespace pelorus::control
