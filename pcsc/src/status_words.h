// The library's error codes as the status words a PC/SC application reads: one table, which the
// documentation lists as it stands here. Transport failures (no reader answer, bad frames) are
// not in it: they end the exchange with an IFD_* code instead of a status word.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "pelorus32.h"

namespace pelorus::pcsc {

struct ErrorStatusWord {
  int32_t error;
  uint16_t status_word;
  std::string_view meaning;
};

inline constexpr uint16_t kSwOk = 0x9000;
inline constexpr uint16_t kSwEndReached = 0x6282;      // fewer bytes than asked for: the card ends
inline constexpr uint16_t kSwVerifyFailed = 0x6300;    // wrong code, the card tells no chances
inline constexpr uint16_t kSwChancesLeft = 0x63C0;     // wrong code, low nibble: chances left
inline constexpr uint16_t kSwWrongLength = 0x6700;
inline constexpr uint16_t kSwLocked = 0x6983;
inline constexpr uint16_t kSwNoTypeSelected = 0x6986;  // memory command before FF A4
inline constexpr uint16_t kSwNotSupported = 0x6A81;
inline constexpr uint16_t kSwWrongParameters = 0x6B00;
inline constexpr uint16_t kSwInsNotSupported = 0x6D00;
inline constexpr uint16_t kSwClaNotSupported = 0x6E00;
inline constexpr uint16_t kSwNoPreciseDiagnosis = 0x6F00;

inline constexpr std::array kErrorStatusWords{
    ErrorStatusWord{QX_ERR_NO_SESSION, 0x6985, "card not powered up, or no session"},
    ErrorStatusWord{QX_ERR_STATUS_6002, 0x6400, "no card in the reader"},
    ErrorStatusWord{QX_ERR_BAD_CARD_TYPE, kSwNotSupported, "card type not supported by the reader"},
    ErrorStatusWord{QX_ERR_STATUS_6004, 0x6A86, "parameter refused by the reader"},
    ErrorStatusWord{QX_ERR_NOT_SUPPORTED, kSwNotSupported, "command not served for this card type"},
    ErrorStatusWord{QX_ERR_LM221_SETUP, 0x6400, "the card's configuration after reset failed"},
    ErrorStatusWord{QX_ERR_NO_DATA, 0x6400, "the card does not answer as the selected type"},
    ErrorStatusWord{QX_ERR_STATUS_6701, kSwWrongLength, "wrong length for the command"},
    ErrorStatusWord{QX_ERR_STATUS_6702, kSwWrongParameters, "address outside the card's memory"},
    ErrorStatusWord{QX_ERR_COMMAND_TOO_LONG, kSwWrongLength, "too long for one reader command"},
    ErrorStatusWord{QX_ERR_STATUS_6704, 0x6581, "write refused: protected, fused or counter bytes"},
    ErrorStatusWord{QX_ERR_STATUS_6705, kSwLocked, "code or password locked: no chance left"},
    ErrorStatusWord{QX_ERR_NO_PASSWORD, 0x6982, "code or password not presented in this session"},
    ErrorStatusWord{QX_ERR_BAD_CLA, kSwClaNotSupported, "class not 0 for a memory card"},
    ErrorStatusWord{QX_ERR_BAD_PARAMETER, kSwWrongParameters, "P1, P2, Lc or Le outside what the card accepts"},
    ErrorStatusWord{QX_ERR_ODD_ADDRESS, kSwWrongParameters, "odd address on a word-addressed card"},
};

// The status word of an error code; 6F 00 for one the table does not list.
uint16_t status_word_for(int32_t error);

// True for the codes that say the reader did not answer properly (-1080, -1081, -1085).
bool is_transport_error(int32_t error);

}  // namespace pelorus::pcsc
