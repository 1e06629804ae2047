#include "sessions.h"

#include <algorithm>
#include <array>

#include "card_types.h"
#include "command.h"
#include "exchange.h"
#include "library.h"
#include "status_check.h"
#include "trace.h"

namespace pelorus {
namespace {

constexpr uint8_t kSelectCardType = 0x02;
constexpr uint8_t kPowerUp = 0x80;
constexpr uint8_t kPowerDown = 0x81;
constexpr uint8_t kModuleReset = 0x88;
constexpr uint8_t kModulePowerDown = 0x89;
constexpr uint8_t kRead = 0x90;
constexpr uint8_t kWrite = 0x91;

// Sends a command and applies the status check: the first error is the result.
int32_t send_checked(Library& lib, PortState& port, Command& command) {
  if (const int32_t sent = exchange(port, command.bytes(), lib.reply); sent != 0) return sent;
  return status_check(lib, lib.reply);
}

// The LM221 needs its configuration bytes written back after every reset: the first of the four
// bytes whose bit in the sixth byte is clear.
int32_t configure_lm221(Library& lib, PortState& port) {
  Command read(kRead);
  read.add(0x00).add(0x08).add(0x06);
  if (exchange(port, read.bytes(), lib.reply) != 0 || lib.reply.status_word() != 0x9000 ||
      lib.reply.length_byte() != 6 || !lib.reply.data_complete()) {
    return QX_ERR_LM221_SETUP;
  }
  std::array<uint8_t, 6> config;
  std::ranges::copy(lib.reply.data(), config.begin());

  for (uint8_t i = 0; i < 4; ++i) {
    if (config[5] & (1u << i)) continue;
    Command write(kWrite);
    write.add(0x00).add(static_cast<uint8_t>(8 + i)).add(0x03).add(config[i]);
    if (exchange(port, write.bytes(), lib.reply) != 0 || lib.reply.status_word() != 0x9000) return QX_ERR_LM221_SETUP;
    break;
  }
  return 0;
}

}  // namespace

int32_t start_session(Library& lib, int32_t handle, QX_SESSION* session) {
  HandleSlot* slot = lib.slot(handle);
  if (slot == nullptr) return QX_ERR_BAD_HANDLE;
  if (session == nullptr) return QX_ERR_NULL_RECORD;
  uint8_t card_type = session->CardType;
  if (card_type > QX_CARD_LAST) return QX_ERR_BAD_CARD_TYPE;
  PortState& port = *lib.port(slot->port);

  if (card_type == QX_CARD_SC_MODULE) {
    Command reset(kModuleReset);
    reset.add(session->SCModule);
    if (const int32_t result = send_checked(lib, port, reset); result != 0) return result;
  } else {
    Command select(kSelectCardType);
    select.add(reader_card_byte(card_type));
    if (const int32_t result = send_checked(lib, port, select); result != 0) return result;
    Command power_up(kPowerUp);
    if (const int32_t result = send_checked(lib, port, power_up); result != 0) return result;
    if (lib.reply.status_word() == 0x9001 && card_type == QX_CARD_MCU_T1) card_type = QX_CARD_MCU_T0;
  }
  if (!lib.reply.data_complete()) return QX_ERR_BAD_FRAME;

  // An answer to reset longer than the record holds is cut, never written past it.
  const auto atr = lib.reply.data();
  if (atr.size() > QX_ATR_SIZE) trace::format("Answer to reset of %zu bytes cut to %d\n", atr.size(), QX_ATR_SIZE);
  const size_t atr_length = std::min<size_t>(atr.size(), QX_ATR_SIZE);
  std::copy_n(atr.begin(), atr_length, session->ATR);
  session->ATRLen = static_cast<uint8_t>(atr_length);
  session->Spare = 0;

  if (card_type == QX_CARD_AUTODETECT) {
    if (lib.reply.status_word() == 0x9000) card_type = QX_CARD_MCU_T0;
    if (lib.reply.status_word() == 0x9001) card_type = QX_CARD_MCU_T1;
  }
  session->CardType = card_type;
  slot->card_type = card_type;

  if (card_type == QX_CARD_LM221) {
    if (const int32_t result = configure_lm221(lib, port); result != 0) return result;
  }
  for (KeySlot& key : lib.key_slots) key.valid = false;
  return 0;
}

int32_t end_session(Library& lib, int32_t handle) {
  HandleSlot* slot = lib.slot(handle);
  if (slot == nullptr) return QX_ERR_BAD_HANDLE;
  PortState& port = *lib.port(slot->port);
  if (slot->card_type == QX_CARD_SC_MODULE) {
    Command power_down(kModulePowerDown);
    return exchange(port, power_down.bytes(), lib.reply);
  }
  Command power_down(kPowerDown);
  return send_checked(lib, port, power_down);
}

}  // namespace pelorus
