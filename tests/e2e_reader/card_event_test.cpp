// Card insertion and removal in the emulated reader reach the callback, and do not disturb the
// exchanges around them.
#include <condition_variable>
#include <mutex>
#include <vector>

#include "emulated_reader.h"
#include "kitesim/card.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

struct Events {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<int32_t> codes;

  bool wait_for(size_t count, std::chrono::milliseconds timeout = 3s) {
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, timeout, [&] { return codes.size() >= count; });
  }
};
Events events;

int32_t on_card_event(int32_t code) {
  std::lock_guard lock(events.mutex);
  events.codes.push_back(code);
  events.arrived.notify_all();
  return 0;
}

TEST_F(EmulatedReader, InsertionAndRemovalReachTheCallback) {
  start(kiteb());
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  ASSERT_EQ(QX_RegisterCallback(0, on_card_event), 0);
  emulator->insert(kitesim::make_card("mcu-t0"));
  ASSERT_TRUE(events.wait_for(1));
  emulator->remove();
  ASSERT_TRUE(events.wait_for(2));
  std::lock_guard lock(events.mutex);
  EXPECT_EQ(events.codes, (std::vector<int32_t>{11, 12}));
}

TEST_F(EmulatedReader, EventsWithoutACallbackLeaveExchangesIntact) {
  start(kiteb());
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  emulator->insert(kitesim::make_card("mcu-t0"));
  emulator->wait_for([](const kitesim::ReaderState& s) { return s.events_sent == 1 && s.line_writes > 0; }, 2s);
  start_session(QX_CARD_MCU_T0);
  // Event frames in front of the replies: the parser skips them.
  emulator->set_faults({.interleave_next = 5});
  for (int i = 0; i < 5; ++i) {
    QX_APDU echo{};
    echo.INS = 0xEE;
    echo.Le = 4;
    ASSERT_EQ(QX_ExchangeAPDU(0, &echo), 0);
    EXPECT_EQ(echo.DataOut[3], 3);
  }
  EXPECT_EQ(emulator->state().nacks_received, 0u) << "no reply was lost to an event frame";
}

// With a callback, an event frame arriving together with a reply is taken out for the callback
// and the reply stays for the exchange: nothing needs asking again.
TEST_F(EmulatedReader, EventInFrontOfAReplyWithACallbackKeepsTheReply) {
  start(kiteb());
  emulator->insert(kitesim::make_card("mcu-t0"));
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  start_session(QX_CARD_MCU_T0);
  ASSERT_EQ(QX_RegisterCallback(0, on_card_event), 0);
  emulator->set_faults({.interleave_next = 1, .interleave_event = kitesim::CardEvent::removed});
  QX_APDU echo{};
  echo.INS = 0xEE;
  echo.Le = 4;
  ASSERT_EQ(QX_ExchangeAPDU(0, &echo), 0);
  EXPECT_EQ(echo.DataOut[3], 3);
  EXPECT_TRUE(events.wait_for(1));
  EXPECT_EQ(emulator->state().nacks_received, 0u);
}

}  // namespace

// Between back-to-back exchanges the caller's thread, not the listener, is the first to see the
// line: an event that comes right behind a reply still reaches the callback, in order, and the
// command after it gets its own reply.
TEST_F(EmulatedReader, EventsRightBehindRepliesReachTheCallbackBetweenBackToBackExchanges) {
  {
    std::lock_guard lock(events.mutex);
    events.codes.clear();
  }
  start(kiteb());
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  ASSERT_EQ(QX_RegisterCallback(0, on_card_event), 0);
  std::vector<int32_t> expected;
  for (int i = 0; i < 10; ++i) {
    QX_INFO info{};
    ASSERT_EQ(QX_GetInfo(0, &info), 0);
    const uint64_t writes = emulator->state().line_writes;
    if (i % 2 == 0) {
      emulator->insert(kitesim::make_card("mcu-t0"));
      expected.push_back(11);
    } else {
      emulator->remove();
      expected.push_back(12);
    }
    emulator->wait_for([&](const kitesim::ReaderState& s) { return s.line_writes > writes; }, 2s);
    ASSERT_EQ(QX_GetInfo(0, &info), 0);
  }
  ASSERT_TRUE(events.wait_for(expected.size()));
  std::lock_guard lock(events.mutex);
  EXPECT_EQ(events.codes, expected);
  EXPECT_EQ(emulator->state().nacks_received, 0u);
}
