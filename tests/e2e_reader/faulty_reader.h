// The emulated reader with a microcontroller card in session, and an echo command whose answer
// the test knows in advance.
#pragma once

#include "emulated_reader.h"
#include "kitesim/card.h"

namespace e2e {

// An echo command: the card answers Le bytes (1 to 256) repeating the data sent.
inline int32_t echo(uint8_t seed, int length, QX_APDU& apdu, int32_t handle = 0) {
  apdu = QX_APDU{};
  apdu.INS = 0xEE;
  apdu.Lc = 3;
  apdu.DataIn[0] = seed;
  apdu.DataIn[1] = static_cast<uint8_t>(seed + 1);
  apdu.DataIn[2] = static_cast<uint8_t>(seed + 2);
  apdu.Le = length;
  return QX_ExchangeAPDU(handle, &apdu);
}

// True when the record holds exactly the echo's answer.
inline bool echoed(const QX_APDU& apdu, uint8_t seed, int length) {
  if (apdu.Le != length || apdu.Status != 0x9000) return false;
  for (int i = 0; i < length; ++i) {
    if (apdu.DataOut[i] != static_cast<uint8_t>(seed + i % 3)) return false;
  }
  return true;
}

class FaultyReader : public EmulatedReader {
 protected:
  void SetUp() override {
    start(kiteb());
    emulator->insert(kitesim::make_card("mcu-t0"));
    ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
    start_session(QX_CARD_MCU_T0);
  }
};

}  // namespace e2e
