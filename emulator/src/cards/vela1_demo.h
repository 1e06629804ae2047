// The files of the two VELA1 cards kitesim offers: "vela1", a personalized card in stage U with
// a purse, and "vela1-nopurse", a card in stage P without one. The README lists their contents.
#pragma once

#include "vela1_files.h"

namespace kitesim::vela1 {

// Every code and key of both cards, the utility's default field text.
inline constexpr char demo_code[] = "58203716";

FileContents demo_card();
FileContents demo_card_without_purse();

}  // namespace kitesim::vela1
