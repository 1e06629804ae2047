#include "sessions.h"

#include <algorithm>
#include <array>

#include "card_types.h"
#include "command.h"
#include "command_codes.h"
#include "library.h"
#include "reply.h"
#include "trace.h"

namespace pelorus {
namespace {

using namespace command_code;

// The LM221 needs its configuration bytes written back after every reset: the first of the four
// bytes whose bit in the sixth byte is clear.
int32_t configure_lm221(const HandleCall& call) {
  Reply reply;
  if (call.send(Command(kRead, {0x00, 0x08, 0x06}), reply) != 0 || reply.status_word() != 0x9000 ||
      reply.length_byte() != 6 || !reply.length_matches()) {
    return QX_ERR_LM221_SETUP;
  }
  std::array<uint8_t, 6> config;
  std::ranges::copy(reply.data(), config.begin());

  for (uint8_t i = 0; i < 4; ++i) {
    if (config[5] & (1u << i)) continue;
    const Command write(kWrite, {0x00, static_cast<uint8_t>(8 + i), 0x03, config[i]});
    if (call.send(write, reply) != 0 || reply.status_word() != 0x9000) return QX_ERR_LM221_SETUP;
    break;
  }
  return 0;
}

}  // namespace

int32_t start_session(const HandleCall& call, QX_SESSION* session) {
  if (session == nullptr) return QX_ERR_NULL_RECORD;
  uint8_t card_type = session->CardType;
  if (card_type > QX_CARD_LAST) return QX_ERR_BAD_CARD_TYPE;

  Reply reply;
  if (card_type == QX_CARD_SC_MODULE) {
    if (const int32_t result = call.send_checked(Command(kModuleReset, {session->SCModule}), reply); result != 0) {
      return result;
    }
  } else {
    if (const int32_t result = call.send_checked(Command(kSelectCardType, {reader_card_byte(card_type)}), reply);
        result != 0) {
      return result;
    }
    if (const int32_t result = call.send_checked(Command(kPowerUp), reply); result != 0) return result;
    if (reply.status_word() == 0x9001 && card_type == QX_CARD_MCU_T1) card_type = QX_CARD_MCU_T0;
  }
  if (!reply.length_matches()) return QX_ERR_BAD_FRAME;

  // An answer to reset longer than the record holds is cut, never written past it.
  const auto atr = reply.data();
  if (atr.size() > QX_ATR_SIZE) trace::format("Answer to reset of %zu bytes cut to %d\n", atr.size(), QX_ATR_SIZE);
  const size_t atr_length = std::min<size_t>(atr.size(), QX_ATR_SIZE);
  std::copy_n(atr.begin(), atr_length, session->ATR);
  session->ATRLen = static_cast<uint8_t>(atr_length);
  session->Spare = 0;

  if (card_type == QX_CARD_AUTODETECT) {
    if (reply.status_word() == 0x9000) card_type = QX_CARD_MCU_T0;
    if (reply.status_word() == 0x9001) card_type = QX_CARD_MCU_T1;
  }
  session->CardType = card_type;
  call.slot.card_type = card_type;

  if (card_type == QX_CARD_LM221) {
    if (const int32_t result = configure_lm221(call); result != 0) return result;
  }
  for (KeySlot& key : call.lib.key_slots) key.valid = false;
  return 0;
}

int32_t end_session(const HandleCall& call) {
  Reply reply;
  if (call.slot.card_type == QX_CARD_SC_MODULE) return call.send(Command(kModulePowerDown), reply);
  return call.send_checked(Command(kPowerDown), reply);
}

}  // namespace pelorus
