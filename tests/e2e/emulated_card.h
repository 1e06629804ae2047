// A memory card in the emulated reader, reached by the real library over a pseudo-terminal: the
// test inserts a card model, opens COM1 (KITEB at 9600: a pseudo-terminal carries no DTR, so no
// detection) and exchanges logical memory-card commands through pelorus32.h alone.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kitesim/card.h"
#include "kitesim/emulator.h"
#include "pelorus32.h"

namespace e2e {

using Bytes = std::vector<std::uint8_t>;

inline Bytes repeated(std::uint8_t byte, std::size_t count) { return Bytes(count, byte); }

// A logical memory-card command; Lc is the data's length unless given.
struct Apdu {
  std::uint8_t ins = 0;
  std::uint8_t p1 = 0;
  std::uint8_t p2 = 0;
  Bytes data = {};
  std::int32_t le = 0;
  std::int32_t lc = -1;
};

struct Reply {
  std::int32_t result = 0;
  std::uint16_t status = 0;
  Bytes data;  // DataOut[0 .. Le - 1] after success
};

class EmulatedCard : public ::testing::Test {
 protected:
  void TearDown() override {
    if (handle >= 0) QX_Close(handle);
  }

  // Inserts the card model into a new emulated reader and opens the library on it.
  void open(const std::string& model) {
    emulator = std::make_unique<kitesim::Emulator>(kitesim::ReaderConfig{.model = kitesim::Model::KITEB, .rate = 9600});
    ::setenv("PELORUS32_COM1", emulator->start_pty().c_str(), 1);
    emulator->insert(kitesim::make_card(model));
    // The insertion frame goes out before the library opens the port; no one reads it.
    emulator->wait_for([](const kitesim::ReaderState& s) { return s.line_writes > 0; }, std::chrono::seconds(2));
    handle = QX_Open(QX_READER_KITEB_9600, QX_PORT_COM1);
    ASSERT_EQ(handle, 0);
  }

  std::int32_t start_session(std::uint8_t card_type) {
    QX_SESSION session{};
    session.CardType = card_type;
    return QX_StartSession(handle, &session);
  }

  Reply exchange(const Apdu& apdu) {
    QX_APDU record{};
    record.INS = apdu.ins;
    record.P1 = apdu.p1;
    record.P2 = apdu.p2;
    record.Lc = apdu.lc >= 0 ? apdu.lc : static_cast<std::int32_t>(apdu.data.size());
    record.Le = apdu.le;
    std::copy(apdu.data.begin(), apdu.data.end(), record.DataIn);
    Reply reply{QX_ExchangeAPDU(handle, &record), record.Status, {}};
    if (reply.result == 0) reply.data.assign(record.DataOut, record.DataOut + std::clamp(record.Le, 0, 256));
    return reply;
  }

  // Commands the reader has received so far: tests compare it around calls that must send nothing.
  std::uint64_t commands_received() const { return emulator->state().commands_received; }

  std::unique_ptr<kitesim::Emulator> emulator;
  std::int32_t handle = -1;
};

// Logical commands, as the utility's dialogs fill them.
inline Apdu read_memory(std::uint8_t p1, std::uint8_t p2, std::int32_t le) {
  return {.ins = QXI_Read, .p1 = p1, .p2 = p2, .le = le};
}
inline Apdu write_memory(std::uint8_t p1, std::uint8_t p2, Bytes data) {
  return {.ins = QXI_Write, .p1 = p1, .p2 = p2, .data = std::move(data)};
}
inline Apdu verify(std::uint8_t p1, Bytes code) { return {.ins = QXI_Verify, .p1 = p1, .data = std::move(code)}; }

}  // namespace e2e
