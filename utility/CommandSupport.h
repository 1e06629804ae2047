// Which logical memory-card commands the utility's dialogs offer for each card type. This is
// the utility's own table; where it offers a command the reader library refuses, the library's
// -1005 reaches the user as the dialog's error message.
#pragma once

#include <cstdint>

namespace kestrel {

// The flag for card type 1 to 25 and INS 1 to 19; false for anything outside.
bool command_offered(int card_type, int ins);

}  // namespace kestrel
