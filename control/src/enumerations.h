// The three enumerations of the type library. Hosts show the help strings in their property
// lists; the control itself does not use them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace pelorus::control {

struct Enumerator {
  std::string_view name;
  std::int16_t value;
  std::string_view help;
};

struct Enumeration {
  std::string_view name;
  std::span<const Enumerator> enumerators;
};

// COMENUM, RTYPEENUM, CTYPEENUM, in this order; the enumerators in the type library's order.
std::span<const Enumeration> enumerations();

}  // namespace pelorus::control
