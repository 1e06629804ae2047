#include "card_option.h"

#include "card_types.h"
#include "pelorus32.h"

namespace pelorus {

std::uint8_t card_option_value(const std::string& text, bool memory_cards_allowed) {
  const auto code = card_type_by_name(text);
  if (!code) throw Failure(kExitUsage, "unknown card type " + text);
  if (!memory_cards_allowed && is_memory_card(*code))
    throw Failure(kExitUsage, "card type " + text + " is a memory card: APDUs go to T0, T1 or SAM");
  return *code;
}

}  // namespace pelorus
