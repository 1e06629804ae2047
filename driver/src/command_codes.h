// Every reader command the library sends, by code. The memory-card commands 0x84 and 0x90 to
// 0x97 mean what the selected card type makes of them, so the password cards have names of their
// own for the same codes.
#pragma once

#include <cstdint>

namespace pelorus::command_code {

// The reader itself.
inline constexpr uint8_t kReadInformation = 0x01;  // the 16-byte information block
inline constexpr uint8_t kSelectCardType = 0x02;   // the reader's card-type byte
inline constexpr uint8_t kSetOption = 0x03;        // one option byte, or 00 and a rate code
inline constexpr uint8_t kModeOption = 0x06;
inline constexpr uint8_t kEnableOption = 0x07;
inline constexpr uint8_t kReadOptionBytes = 0x08;
inline constexpr uint8_t kEnableFallback = 0x8A;   // when kEnableOption is refused

// The card and the security module.
inline constexpr uint8_t kPowerUp = 0x80;  // power up and reset; the reply carries the answer to reset
inline constexpr uint8_t kPowerDown = 0x81;
inline constexpr uint8_t kModuleReset = 0x88;
inline constexpr uint8_t kModulePowerDown = 0x89;
inline constexpr uint8_t kCardApdu = 0xA0;
inline constexpr uint8_t kModuleApdu = 0xB0;

// Memory cards.
inline constexpr uint8_t kFuse = 0x84;  // set a fuse; the IIC cards' options
inline constexpr uint8_t kRead = 0x90;
inline constexpr uint8_t kWrite = 0x91;
inline constexpr uint8_t kCode = 0x92;  // present a code; read the protection of the LM8KS and LM2KS
inline constexpr uint8_t kChangeCode = 0x93;
inline constexpr uint8_t kProtect = 0x94;
inline constexpr uint8_t kErase = 0x95;
inline constexpr uint8_t kAuthenticate = 0x96;
inline constexpr uint8_t kReadProtection = 0x97;  // XIIC, LM256, LM4KP

// Password cards (X76F041, X76F128, X76F640, X76F100).
inline constexpr uint8_t kReadWithPassword = 0x92;
inline constexpr uint8_t kWriteWithMasterPassword = 0x93;
inline constexpr uint8_t kWriteWithPassword = 0x94;
inline constexpr uint8_t kPasswordCommand = 0x95;
inline constexpr uint8_t kWriteAllPasswords = 0x96;
inline constexpr uint8_t kReactivate = 0x97;

}  // namespace pelorus::command_code
