// APDUs for microcontroller cards: an application's command in the library's record, and the
// card's answer back as response bytes.
//
// The reader runs the card's transmission protocol itself; towards applications the handler
// behaves as a T=0 reader at the TPDU level does: 61 xx (more data: GET RESPONSE) and 6C xx
// (wrong Le: repeat with Le = xx) reach the application as the card sent them, with no data, and
// the handler neither fetches nor repeats on its own, so the application's own GET RESPONSE or
// repeated command follows as with any reader.
#pragma once

#include <cstdint>
#include <vector>

#include "command_apdu.h"
#include "pelorus32.h"

namespace pelorus::pcsc {

QX_APDU to_library_apdu(const CommandApdu& apdu);

// DataOut[0 .. Le - 1] then SW1 SW2, from a record QX_ExchangeAPDU has filled.
std::vector<uint8_t> processor_response(const QX_APDU& answered, bool t0);

}  // namespace pelorus::pcsc
