#include "processor_apdus.h"

#include <algorithm>

namespace pelorus::pcsc {

QX_APDU to_library_apdu(const CommandApdu& apdu) {
  QX_APDU record{};
  record.CLA = apdu.cla;
  record.INS = apdu.ins;
  record.P1 = apdu.p1;
  record.P2 = apdu.p2;
  record.Lc = static_cast<int32_t>(apdu.data.size());
  std::copy(apdu.data.begin(), apdu.data.end(), record.DataIn);
  record.Le = apdu.le;
  return record;
}

std::vector<uint8_t> processor_response(const QX_APDU& answered, bool t0) {
  const auto sw1 = static_cast<uint8_t>(answered.Status >> 8);
  const auto sw2 = static_cast<uint8_t>(answered.Status);
  const bool procedure_only = t0 && (sw1 == 0x61 || sw1 == 0x6C);
  const size_t length = procedure_only ? 0 : static_cast<size_t>(std::clamp(answered.Le, 0, QX_DATA_SIZE));
  std::vector<uint8_t> response(answered.DataOut, answered.DataOut + length);
  response.push_back(sw1);
  response.push_back(sw2);
  return response;
}

}  // namespace pelorus::pcsc
