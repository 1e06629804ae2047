// Late binding over the dispatch table: names to identifiers, and calls by identifier.
#pragma once

#include <cstdint>

#include "pelorus.h"
#include "pelorus_ctrl.h"

namespace pelorus::control {

// IDispatch::GetIDsOfNames: names[0] a member, the rest its argument's name.
HRESULT ids_of_names(const char* const* names, std::uint32_t count, DISPID* ids);

// IDispatch::Invoke on control; see pelorus.h for the kinds of call, conversions and failures.
HRESULT invoke(CPelorusCtrl& control, DISPID id, std::uint16_t flags, const VARIANT* args, std::uint32_t arg_count,
               VARIANT* result);

}  // namespace pelorus::control
