// The control's property exchange with a host's property bag: "ReaderPort", "ReaderType" and
// "CardType", 16-bit integers, after the data version 1.0, in that order. Nothing else persists.
#pragma once

#include <cstdint>

#include "pelorus.h"

namespace pelorus::control {

struct PersistedProperties {
  std::int16_t reader_port;
  std::int16_t reader_type;
  std::int16_t card_type;
};

// ReaderPort 1, ReaderType 255, CardType 0: a new control's values, and those of a reset.
PersistedProperties default_properties();

// Writes the data version and the three values into bag; the first failing write ends it.
HRESULT save_properties(const PersistedProperties& properties, IPropertyBag& bag);

// Reads the three values from bag into out. A value the bag does not have takes its default;
// out changes only when every value could be taken.
HRESULT load_properties(IPropertyBag& bag, PersistedProperties& out);

}  // namespace pelorus::control
