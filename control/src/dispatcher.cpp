#include "dispatcher.h"

#include "com_error.h"
#include "dispatch_table.h"
#include "value.h"

namespace pelorus::control {
namespace {

enum class Call { Get, Put, Method };

// What kind of call flags ask of member; DISP_E_MEMBERNOTFOUND when it is not one member has.
Call call_of(const Member& member, std::uint16_t flags) {
  if (member.kind == Kind::Method) {
    if (flags & DISPATCH_METHOD) return Call::Method;
  } else if (flags & DISPATCH_PROPERTYGET) {
    return Call::Get;
  } else if (flags == DISPATCH_PROPERTYPUT) {
    return Call::Put;
  }
  throw ComError(DISP_E_MEMBERNOTFOUND, "no such kind of call for this member");
}

std::uint32_t arguments_of(const Member& member, Call call) {
  const std::uint32_t index = member.kind == Kind::IndexedProperty ? 1 : 0;
  return call == Call::Put ? index + 1 : index;
}

Value invoke_member(CPelorusCtrl& control, const Member& member, std::uint16_t flags, const VARIANT* args,
                    std::uint32_t arg_count) {
  const Call call = call_of(member, flags);
  if (arg_count != arguments_of(member, call)) throw ComError(DISP_E_BADPARAMCOUNT, "wrong number of arguments");
  if (arg_count > 0 && args == nullptr) throw ComError(E_POINTER, "no arguments");
  if (call == Call::Put && member.read_only) throw ComError(CTL_E_SETNOTSUPPORTED, "read-only property");

  const std::int16_t index =
      member.kind == Kind::IndexedProperty ? std::get<std::int16_t>(from_variant(args[0], Type::I16)) : 0;
  if (call == Call::Put) {
    member.put(control, index, from_variant(args[arg_count - 1], member.type));
    return {};
  }
  return member.get(control, index);
}

}  // namespace

HRESULT ids_of_names(const char* const* names, std::uint32_t count, DISPID* ids) {
  if (count == 0) return S_OK;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  for (std::uint32_t i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (names[0] == nullptr) return DISP_E_UNKNOWNNAME;
  const Member* member = member_by_name(names[0]);
  if (member == nullptr) return DISP_E_UNKNOWNNAME;
  ids[0] = member->id;
  HRESULT result = S_OK;
  for (std::uint32_t i = 1; i < count; ++i) {
    if (names[i] != nullptr && !member->argument.empty() && names_match(member->argument, names[i])) ids[i] = 0;
    else result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

HRESULT invoke(CPelorusCtrl& control, DISPID id, std::uint16_t flags, const VARIANT* args, std::uint32_t arg_count,
               VARIANT* result) {
  if (result != nullptr) VariantInit(result);
  const Member* member = member_by_id(id);
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
  return guarded([&] {
    const Value value = invoke_member(control, *member, flags, args, arg_count);
    if (result != nullptr) to_variant(value, *result);
    return S_OK;
  });
}

}  // namespace pelorus::control
