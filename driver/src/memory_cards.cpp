#include "memory_cards.h"

#include "library.h"

namespace pelorus {

int32_t exchange_with_memory_card(Library&, PortState&, uint8_t, QX_APDU& apdu) {
  if (apdu.CLA != 0) return QX_ERR_BAD_CLA;
  return QX_ERR_NOT_SUPPORTED;  // the memory-card routines are not served yet
}

}  // namespace pelorus
