// The library against a scripted network serial port: modem-state notifications that travel with
// the data, and a server that never stops sending.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "pelorus32.h"
#include "rfc2217_peer.h"

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

constexpr uint8_t kCtsOn = 0x30;   // CTS and DSR
constexpr uint8_t kCtsOff = 0x20;  // DSR only

class NetworkPort : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int handle = 0; handle < 10; ++handle) QX_Close(handle);
  }
  void point_com1_at(const Rfc2217Peer& peer) { ::setenv("PELORUS32_COM1", peer.url().c_str(), 1); }
};

// CTS on is announced while the open waits for its listener, before the wait for CTS to drop,
// and the drop comes during that wait: the presence probe must follow the drop. Whether the
// listener thread has read the first notification when the wait starts is a race, so this runs
// often.
TEST_F(NetworkPort, PresenceProbeWaitsForCtsAnnouncedBeforeOrDuringTheWait) {
  for (int run = 0; run < 6; ++run) {
    Rfc2217Peer peer;
    point_com1_at(peer);
    std::atomic<bool> cts_dropped{false};
    bool probe_after_drop = false;
    peer.serve([&](Rfc2217Peer& p) {
      // The open waits 0.2 s for its listener (time scale 0.1), then up to 0.18 s for CTS.
      std::this_thread::sleep_for(100ms);
      p.send_modem_state(kCtsOn);
      std::this_thread::sleep_for(200ms);
      cts_dropped = true;
      p.send_modem_state(kCtsOff);
      if (p.expect({0x02, 0x03}, 2s)) {
        probe_after_drop = cts_dropped;
        p.send({0x02, 0x30, 0x35, 0x30, 0x35, 0x03});
      }
    });
    ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0) << "run " << run;
    peer.join();
    EXPECT_TRUE(probe_after_drop) << "run " << run << ": the probe went out while CTS was on";
    ASSERT_EQ(QX_Close(0), 0);
  }
}

// A server that streams without ever ending a frame must not keep a call for as long as it
// streams: the exchange ends after its own waits.
TEST_F(NetworkPort, EndlessStreamWithoutEtxDoesNotHoldTheCall) {
  Rfc2217Peer peer;
  point_com1_at(peer);
  std::atomic<bool> stop{false};
  peer.serve([&](Rfc2217Peer& p) {
    if (!p.expect({0x02, 0x03}, 2s)) return;
    p.send({0x02, 0x30, 0x35, 0x30, 0x35, 0x03});
    if (!p.expect(frame("01 00"), 2s)) return;  // the information request: answered by a stream
    const Bytes noise(1 << 18, 'A');  // enough to keep the socket full
    const auto until = Clock::now() + 4s;
    while (!stop && Clock::now() < until) p.send(noise);
  });
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  QX_INFO info{};
  const auto started = Clock::now();
  EXPECT_LT(QX_GetInfo(0, &info), 0);
  const auto took = Clock::now() - started;
  stop = true;
  peer.join();
  // Four reply waits of 100 ms and the writes; the stream would have lasted 4 s.
  EXPECT_LT(took, 2s);
}

}  // namespace
