// The reader library's result codes by name and meaning, so that no failure reaches a user as a
// bare number.
#pragma once

#include <cstdint>
#include <string>

namespace pelorus {

struct LibraryError {
  std::int32_t code;
  const char* name;     // the header's constant, "QX_ERR_TIMEOUT"
  const char* meaning;  // "no answer from the reader"
};

// The entry of a code; an unknown code gets the name "unknown" and a meaning that says so.
LibraryError library_error(std::int32_t code);

// "error -1081 (QX_ERR_TIMEOUT): no answer from the reader ..."
std::string describe_library_error(std::int32_t code);

}  // namespace pelorus
