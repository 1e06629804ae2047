#include "value.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "com_error.h"

namespace pelorus::control {
namespace {

// The integer a VARIANT holds, when it holds one (a bool counts as -1 or 0).
bool integer_of(const VARIANT& variant, std::int64_t& out) {
  switch (variant.vt) {
    case VT_I2: out = variant.iVal; return true;
    case VT_I4: out = variant.lVal; return true;
    case VT_BOOL: out = variant.boolVal != VARIANT_FALSE ? -1 : 0; return true;
    default: return false;
  }
}

template <class Integer>
Integer narrowed(std::int64_t value) {
  if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
    throw ComError(DISP_E_OVERFLOW, "value out of range");
  return static_cast<Integer>(value);
}

char* copied(const std::string& text) {
  auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) throw std::bad_alloc();
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

}  // namespace

std::string_view type_name(Type type) {
  switch (type) {
    case Type::Void: return "void";
    case Type::I16: return "i16";
    case Type::I32: return "i32";
    case Type::Bool: return "bool";
    case Type::String: return "string";
  }
  return "void";
}

Value from_variant(const VARIANT& variant, Type type) {
  std::int64_t integer = 0;
  switch (type) {
    case Type::I16:
      if (integer_of(variant, integer)) return narrowed<std::int16_t>(integer);
      break;
    case Type::I32:
      if (integer_of(variant, integer)) return narrowed<std::int32_t>(integer);
      break;
    case Type::Bool:
      if (integer_of(variant, integer)) return integer != 0;
      break;
    case Type::String:
      if (variant.vt == VT_BSTR) return std::string(variant.bstrVal != nullptr ? variant.bstrVal : "");
      break;
    case Type::Void: break;
  }
  throw ComError(DISP_E_TYPEMISMATCH, "argument of the wrong type");
}

void to_variant(const Value& value, VARIANT& out) {
  VariantInit(&out);
  if (const auto* i16 = std::get_if<std::int16_t>(&value)) {
    out.vt = VT_I2;
    out.iVal = *i16;
  } else if (const auto* i32 = std::get_if<std::int32_t>(&value)) {
    out.vt = VT_I4;
    out.lVal = *i32;
  } else if (const auto* flag = std::get_if<bool>(&value)) {
    out.vt = VT_BOOL;
    out.boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (const auto* text = std::get_if<std::string>(&value)) {
    out.bstrVal = copied(*text);
    out.vt = VT_BSTR;
  }
}

}  // namespace pelorus::control
