#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "reader_fixture.h"

namespace {

using namespace testing_support;

// What the callbacks saw: event codes and the threads they ran on.
struct Events {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<int32_t> codes;
  std::vector<std::thread::id> threads;

  bool wait_for(size_t count, std::chrono::milliseconds timeout = 3s) {
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, timeout, [&] { return codes.size() >= count; });
  }
};

Events events;

int32_t record_event(int32_t code) {
  std::lock_guard lock(events.mutex);
  events.codes.push_back(code);
  events.threads.push_back(std::this_thread::get_id());
  events.arrived.notify_all();
  return 0;
}

const Bytes kInserted = hex("02 30 31 46 46 30 31 30 30 46 46 03");
const Bytes kRemoved = frame("FF 02 00");
const Bytes kInfo = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 01");

class CardEvents : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    ASSERT_EQ(open_reader(), 0);
  }

  int32_t get_info() {
    QX_INFO info{};
    return with_reader(answer(frame("01 00"), reply(0x9000, kInfo)), [&] { return QX_GetInfo(0, &info); });
  }
};

TEST_F(CardEvents, InsertionAndRemovalRunTheCallbackWithTheirCodes) {
  ASSERT_EQ(QX_RegisterCallback(0, record_event), 0);
  peer.send(kInserted);
  ASSERT_TRUE(events.wait_for(1));
  peer.send(kRemoved);
  ASSERT_TRUE(events.wait_for(2));

  std::lock_guard lock(events.mutex);
  EXPECT_EQ(events.codes, (std::vector<int32_t>{11, 12}));
  EXPECT_NE(events.threads[0], std::this_thread::get_id());
}

int32_t slow_record_event(int32_t code) {
  std::this_thread::sleep_for(100ms);
  return record_event(code);
}

// A callback that takes its time holds the next event back (callbacks never overtake each other)
// but loses none, and no callback runs on the caller's thread.
TEST_F(CardEvents, CallbacksRunOneAfterTheOtherOffTheCallersThread) {
  ASSERT_EQ(QX_RegisterCallback(0, slow_record_event), 0);
  peer.send(kInserted);
  std::this_thread::sleep_for(20ms);
  peer.send(kRemoved);
  ASSERT_TRUE(events.wait_for(2));
  std::lock_guard lock(events.mutex);
  EXPECT_EQ(events.codes, (std::vector<int32_t>{11, 12}));
  EXPECT_NE(events.threads[0], std::this_thread::get_id());
  EXPECT_NE(events.threads[1], std::this_thread::get_id());
}

// A card swapped at once: the removal and the insertion come in one read. Both are delivered, in
// their order.
TEST_F(CardEvents, EventsThatArriveTogetherAreAllDeliveredInOrder) {
  ASSERT_EQ(QX_RegisterCallback(0, record_event), 0);
  Bytes both = kRemoved;
  both.insert(both.end(), kInserted.begin(), kInserted.end());
  peer.send(both);
  ASSERT_TRUE(events.wait_for(2));
  std::lock_guard lock(events.mutex);
  EXPECT_EQ(events.codes, (std::vector<int32_t>{12, 11}));
}

TEST_F(CardEvents, EventFrameIsConsumedAndTheNextExchangeWorks) {
  ASSERT_EQ(QX_RegisterCallback(0, record_event), 0);
  peer.send(kInserted);
  ASSERT_TRUE(events.wait_for(1));
  EXPECT_EQ(get_info(), 0);
  EXPECT_TRUE(peer.silent_for(50ms)) << "no NACK: the event frame did not linger as a bad reply";
  std::lock_guard lock(events.mutex);
  EXPECT_EQ(events.codes.size(), 1u);
}

// An event frame may come right behind a reply in the same read, or behind a noise byte: the
// event goes to the callback and the reply to the exchange that waits for it, with no NACK.
TEST_F(CardEvents, EventsBehindAReplyOrNoiseAreDeliveredAndTheReplyKept) {
  ASSERT_EQ(QX_RegisterCallback(0, record_event), 0);
  QX_INFO info{};
  EXPECT_EQ(with_reader(
                [](PtyPeer& p) {
                  if (p.expect(frame("01 00"))) p.send(reply(0x9000, kInfo) + kRemoved);
                  EXPECT_TRUE(p.silent_for(100ms)) << "no NACK";
                },
                [&] { return QX_GetInfo(0, &info); }),
            0);
  EXPECT_EQ(info.MaxC, 0xF8);
  EXPECT_EQ(with_reader(
                [](PtyPeer& p) {
                  if (p.expect(frame("01 00"))) p.send(Bytes{0x7F} + kInserted + reply(0x9000, kInfo));
                  EXPECT_TRUE(p.silent_for(100ms)) << "no NACK";
                },
                [&] { return QX_GetInfo(0, &info); }),
            0);
  ASSERT_TRUE(events.wait_for(2));
  std::lock_guard lock(events.mutex);
  EXPECT_EQ(events.codes, (std::vector<int32_t>{12, 11}));
}

// A flood of event frames, some in one write, some split across writes: every one is delivered
// once, in order.
TEST_F(CardEvents, AFloodOfEventsIsDeliveredCompletelyAndInOrder) {
  ASSERT_EQ(QX_RegisterCallback(0, record_event), 0);
  constexpr int kEvents = 2000;
  Bytes burst;
  for (int i = 0; i < kEvents; ++i) {
    const Bytes& event = i % 2 == 0 ? kInserted : kRemoved;
    burst.insert(burst.end(), event.begin(), event.end());
  }
  for (size_t sent = 0; sent < burst.size();) {
    const size_t piece = std::min<size_t>(burst.size() - sent, 100 + sent % 37);  // cuts frames anywhere
    peer.send(Bytes(burst.begin() + static_cast<long>(sent), burst.begin() + static_cast<long>(sent + piece)));
    sent += piece;
  }
  ASSERT_TRUE(events.wait_for(kEvents, 20s));
  std::lock_guard lock(events.mutex);
  ASSERT_EQ(events.codes.size(), static_cast<size_t>(kEvents));
  for (int i = 0; i < kEvents; ++i) ASSERT_EQ(events.codes[i], i % 2 == 0 ? 11 : 12) << "event " << i;
}

TEST_F(CardEvents, OneCallbackServesEveryHandleOfThePortAndNullStopsIt) {
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 1);
  ASSERT_EQ(QX_RegisterCallback(1, record_event), 0);
  peer.send(kInserted);
  ASSERT_TRUE(events.wait_for(1));

  ASSERT_EQ(QX_RegisterCallback(0, nullptr), 0);
  peer.send(kRemoved);
  EXPECT_FALSE(events.wait_for(2, 300ms));
  // The frame left in the buffer does not disturb the next exchange.
  EXPECT_EQ(get_info(), 0);
}

TEST_F(CardEvents, ClosingThePortForgetsTheCallback) {
  ASSERT_EQ(QX_RegisterCallback(0, record_event), 0);
  ASSERT_EQ(QX_Close(0), 0);
  ASSERT_EQ(open_reader(), 0);
  peer.send(kInserted);
  EXPECT_FALSE(events.wait_for(1, 300ms));
}

}  // namespace
