#include "apdu_exchange.h"

#include "apdu_answer.h"
#include "command.h"
#include "command_codes.h"
#include "library.h"
#include "memory_cards.h"
#include "reply.h"

namespace pelorus {
namespace {

// Microcontroller cards and the security module: the APDU travels in one reader command whose
// length byte is (Lc + 6) mod 256, so an Lc of 256 goes out as 00 with all 256 data bytes; the
// card's answer, its two status bytes last, comes back as the reply data.
int32_t exchange_with_processor(const HandleCall& call, uint8_t reader_command, QX_APDU& apdu) {
  if (apdu.Lc < 0 || apdu.Lc > QX_DATA_SIZE) return QX_ERR_COMMAND_TOO_LONG;
  Command command(reader_command);
  command.add(apdu.CLA).add(apdu.INS).add(apdu.P1).add(apdu.P2).add(static_cast<uint8_t>(apdu.Lc));
  command.add(std::span<const uint8_t>(apdu.DataIn, static_cast<size_t>(apdu.Lc)));
  command.add(static_cast<uint8_t>(apdu.Le));
  Reply reply;
  if (const int32_t result = call.send_checked(command, reply); result != 0) return result;
  return take_processor_answer(reply, apdu);
}

}  // namespace

int32_t exchange_apdu(const HandleCall& call, QX_APDU* apdu) {
  if (apdu == nullptr) return QX_ERR_NULL_RECORD;
  switch (call.slot.card_type) {
    case QX_CARD_AUTODETECT: return QX_ERR_NO_SESSION;
    case QX_CARD_MCU_T0:
    case QX_CARD_MCU_T1: return exchange_with_processor(call, command_code::kCardApdu, *apdu);
    case QX_CARD_SC_MODULE: return exchange_with_processor(call, command_code::kModuleApdu, *apdu);
    default: return exchange_with_memory_card(call, *apdu);
  }
}

}  // namespace pelorus
