#include "MemoryCommand.h"

#include <algorithm>
#include <bit>

namespace kestrel {

int32_t send_memory_command(Kiteb& binding, const MemoryCommand& command) {
  QX_APDU& apdu = binding.exchange_record();
  const size_t count = std::min<size_t>(command.data.size(), QX_DATA_SIZE);
  apdu.CLA = 0;
  apdu.INS = command.ins;
  apdu.P1 = command.p1;
  apdu.P2 = command.p2;
  apdu.Lc = static_cast<int32_t>(count);
  apdu.Le = command.le;
  std::copy_n(command.data.begin(), count, apdu.DataIn);
  return binding.exchange(apdu);
}

uint8_t reply_byte(Kiteb& binding, int index) {
  const QX_APDU& reply = binding.exchange_record();
  const bool carried = index >= 0 && index < std::min<int32_t>(reply.Le, QX_DATA_SIZE);
  return carried ? reply.DataOut[index] : 0;
}

int bits_set(uint8_t byte) { return std::popcount(byte); }

QString no_function_text() { return QStringLiteral("Selected card type does not provide this function"); }

}  // namespace kestrel
