// A test with a scripted reader on COM1: the port map points COM1 at the peer's pseudo-terminal.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <memory>
#include <thread>

#include "bytes.h"
#include "pelorus32.h"
#include "pty_peer.h"

namespace testing_support {

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("PELORUS32_COM1", peer.slave_path().c_str(), 1); }

  void TearDown() override {
    peer.join();
    for (int handle = 0; handle < 10; ++handle) QX_Close(handle);
  }

  // Runs `call` on this thread while `script` plays the reader; returns what the call returned.
  template <typename Call>
  auto with_reader(std::function<void(PtyPeer&)> script, Call call) {
    peer.serve(std::move(script));
    auto result = call();
    peer.join();
    return result;
  }

  // Opens COM1 with a reader that answers the presence probe.
  int32_t open_reader(int reader_type = QX_READER_KITEB_9600) {
    const bool stx = reader_type != QX_READER_KITEA;
    return with_reader(
        [stx](PtyPeer& p) {
          if (p.expect(kProbe)) p.send(stx ? kNack : Bytes(kNack.begin() + 1, kNack.end()));
        },
        [&] { return QX_Open(reader_type, QX_PORT_COM1); });
  }

  // One command, one reply.
  static std::function<void(PtyPeer&)> answer(const Bytes& command_frame, const Bytes& reply_frame) {
    return [=](PtyPeer& p) {
      if (p.expect(command_frame)) p.send(reply_frame);
    };
  }

  PtyPeer peer;
};

}  // namespace testing_support
