#include "apdu_exchange.h"

#include <algorithm>

#include "command.h"
#include "exchange.h"
#include "library.h"
#include "memory_cards.h"
#include "status_check.h"
#include "trace.h"

namespace pelorus {
namespace {

constexpr uint8_t kCardApdu = 0xA0;
constexpr uint8_t kModuleApdu = 0xB0;
constexpr uint8_t kLongLength = 0xFF;  // the next two bytes carry the length, high byte first

// Microcontroller cards and the security module: the APDU travels in one reader command and the
// card's answer, its two status bytes last, comes back as the reply data.
int32_t exchange_with_processor(Library& lib, PortState& port, uint8_t reader_command, QX_APDU& apdu) {
  // Only the low byte of Lc is sent, so only that many bytes of DataIn go with it.
  const auto lc = static_cast<uint8_t>(apdu.Lc);
  Command command(reader_command);
  command.add(apdu.CLA).add(apdu.INS).add(apdu.P1).add(apdu.P2).add(lc);
  command.add(std::span<const uint8_t>(apdu.DataIn, lc));
  command.add(static_cast<uint8_t>(apdu.Le));
  if (const int32_t sent = exchange(port, command.bytes(), lib.reply); sent != 0) return sent;
  if (const int32_t checked = status_check(lib, lib.reply); checked != 0) return checked;

  auto data = lib.reply.payload();
  size_t length = lib.reply.length_byte();
  if (length == kLongLength) {
    if (data.size() < 2) return QX_ERR_BAD_FRAME;
    length = static_cast<size_t>(data[0] << 8 | data[1]);
    data = data.subspan(2);
  }
  if (length == 0) return QX_ERR_NO_DATA;
  // A reply shorter than announced, one byte long (no room for the card's two status bytes) or
  // longer than DataOut holds is not taken for an answer.
  if (length > data.size() || length < 2 || length - 2 > QX_DATA_SIZE) {
    trace::format("Card reply of %zu bytes (%zu received) refused\n", length, data.size());
    return QX_ERR_BAD_FRAME;
  }
  apdu.Status = static_cast<uint16_t>(data[length - 2] << 8 | data[length - 1]);
  apdu.Le = static_cast<int32_t>(length - 2);
  std::copy_n(data.begin(), length - 2, apdu.DataOut);
  return 0;
}

}  // namespace

int32_t exchange_apdu(Library& lib, int32_t handle, QX_APDU* apdu) {
  HandleSlot* slot = lib.slot(handle);
  if (slot == nullptr) return QX_ERR_BAD_HANDLE;
  if (apdu == nullptr) return QX_ERR_NULL_RECORD;
  PortState& port = *lib.port(slot->port);
  switch (slot->card_type) {
    case QX_CARD_AUTODETECT: return QX_ERR_NO_SESSION;
    case QX_CARD_MCU_T0:
    case QX_CARD_MCU_T1: return exchange_with_processor(lib, port, kCardApdu, *apdu);
    case QX_CARD_SC_MODULE: return exchange_with_processor(lib, port, kModuleApdu, *apdu);
    default: return exchange_with_memory_card(lib, port, slot->card_type, *apdu);
  }
}

}  // namespace pelorus
