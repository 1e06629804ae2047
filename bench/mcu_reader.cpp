#include "mcu_reader.h"

#include <stdlib.h>

#include <algorithm>

namespace bench {

int32_t open_mcu(const std::string& device, int32_t reader_type) {
  ::setenv("PELORUS32_COM1", device.c_str(), 1);
  const int32_t handle = QX_Open(reader_type, QX_PORT_COM1);
  if (handle < 0) return handle;
  QX_SESSION session{};
  session.CardType = QX_CARD_MCU_T0;
  const int32_t started = QX_StartSession(handle, &session);
  return started == 0 ? handle : started;
}

QX_APDU echo_apdu(int32_t length) {
  QX_APDU apdu{};
  apdu.INS = 0xEE;  // the emulated card answers Le bytes
  apdu.Le = length;
  return apdu;
}

double percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  return samples[std::min(samples.size() - 1, static_cast<size_t>(p * static_cast<double>(samples.size())))];
}

}  // namespace bench
