// The relay of card events from the library's threads to the user-interface thread: each event
// is handled once, on the user-interface thread, even when several arrive at the same time.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <atomic>
#include <latch>
#include <map>
#include <thread>
#include <vector>

#include "Callback.h"

namespace kestrel::testing {
namespace {

// Registers as the library would, keeping the relay function for the test to call.
struct FakeLibrary {
  QX_CALLBACK relay = nullptr;
  int32_t answer = 0;
  int32_t operator()(QX_CALLBACK function) {
    relay = function;
    return answer;
  }
};

struct Handled {
  std::vector<int32_t> codes;
  bool on_other_thread = false;
};

TEST(CardEventRelay, EventsArrivingTogetherAreEachHandledOnceOnTheUserInterfaceThread) {
  constexpr int kRounds = 200;
  TCallback callback;
  FakeLibrary library;
  Handled handled;
  ASSERT_EQ(callback.register_handler(std::ref(library),
                                      [&](int32_t code) {
                                        handled.codes.push_back(code);
                                        handled.on_other_thread |= QThread::currentThread() != qApp->thread();
                                        return 0;
                                      }),
            0);
  ASSERT_NE(library.relay, nullptr);

  std::atomic<int> returned{0};
  std::vector<std::thread> threads;
  for (int round = 0; round < kRounds; ++round) {
    // An insertion and a removal released at the same moment, each on a thread of its own.
    auto start = std::make_shared<std::latch>(2);
    for (const int32_t code : {QX_EVENT_CARD_INSERTED, QX_EVENT_CARD_REMOVED}) {
      threads.emplace_back([&, start, code] {
        start->arrive_and_wait();
        EXPECT_EQ(library.relay(code), 0);
        ++returned;
      });
    }
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return returned == 2 * kRounds; }, 60000));
  for (std::thread& thread : threads) thread.join();

  std::map<int32_t, int> count;
  for (const int32_t code : handled.codes) ++count[code];
  EXPECT_EQ(handled.codes.size(), 2u * kRounds);
  EXPECT_EQ(count[QX_EVENT_CARD_INSERTED], kRounds);
  EXPECT_EQ(count[QX_EVENT_CARD_REMOVED], kRounds);
  EXPECT_FALSE(handled.on_other_thread);
}

TEST(CardEventRelay, AFailedRegistrationKeepsNoHandler) {
  TCallback callback;
  FakeLibrary library{.answer = -603};
  int handled = 0;
  EXPECT_EQ(callback.register_handler(std::ref(library), [&](int32_t) { return ++handled; }), -603);
  std::atomic<bool> returned{false};
  std::thread library_thread([&] {
    library.relay(QX_EVENT_CARD_INSERTED);
    returned = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 60000));
  library_thread.join();
  EXPECT_EQ(handled, 0);
}

TEST(CardEventRelay, AnEventOnItsWayWhenTheRelayGoesIsDroppedAndItsThreadReturns) {
  FakeLibrary library;
  int handled = 0;
  std::atomic<bool> returned{false};
  std::thread library_thread;
  {
    TCallback callback;
    callback.register_handler(std::ref(library), [&](int32_t) { return ++handled; });
    library_thread = std::thread([&] {
      library.relay(QX_EVENT_CARD_REMOVED);
      returned = true;
    });
    // The thread is now waiting for this thread, or about to; the relay goes without running
    // the event loop.
  }
  library_thread.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(handled, 0);
  EXPECT_EQ(library.relay(QX_EVENT_CARD_INSERTED), 0) << "a late event finds no relay and is ignored";
  EXPECT_EQ(handled, 0);
}

}  // namespace
}  // namespace kestrel::testing
