// Identifiers: comparison and their registry text.
#pragma once

#include <string>

#include "pelorus.h"

namespace pelorus::control {

bool operator==(const GUID& a, const GUID& b);

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, uppercase.
std::string guid_text(const GUID& guid);

}  // namespace pelorus::control
