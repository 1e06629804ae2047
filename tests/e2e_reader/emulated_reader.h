// A test with the emulated reader on COM1: the real library reaches it through a pseudo-terminal
// or through RFC 2217 on loopback.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "kitesim/emulator.h"
#include "pelorus32.h"

namespace e2e {

enum class Transport { Pty, Rfc2217 };

class EmulatedReader : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int handle = 0; handle < 10; ++handle) QX_Close(handle);
    QX_RegisterCallback(0, nullptr);
  }

  // Starts the emulator and points COM1 at it.
  kitesim::Emulator& start(kitesim::ReaderConfig config, Transport transport = Transport::Pty) {
    emulator = std::make_unique<kitesim::Emulator>(std::move(config));
    const std::string device = transport == Transport::Pty
                                   ? emulator->start_pty()
                                   : "rfc2217://127.0.0.1:" + std::to_string(emulator->start_rfc2217());
    ::setenv("PELORUS32_COM1", device.c_str(), 1);
    return *emulator;
  }

  // A session on handle 0 for the card type; returns the session record.
  QX_SESSION start_session(uint8_t card_type) {
    QX_SESSION session{};
    session.CardType = card_type;
    EXPECT_EQ(QX_StartSession(0, &session), 0);
    return session;
  }

  std::unique_ptr<kitesim::Emulator> emulator;
};

inline kitesim::ReaderConfig kiteb(uint32_t rate = 9600) { return {.model = kitesim::Model::KITEB, .rate = rate}; }

}  // namespace e2e
