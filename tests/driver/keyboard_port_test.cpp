#include <gtest/gtest.h>
#include <stdlib.h>

#include <thread>

#include "keyboard_peer.h"
#include "pelorus32.h"

namespace {

using namespace testing_support;

const Bytes kInfo = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 01");

class KeyboardPort : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("PELORUS32_KEYBOARD", peer.path().c_str(), 1); }
  void TearDown() override {
    peer.join();
    for (int handle = 0; handle < 10; ++handle) QX_Close(handle);
  }

  int32_t open() {
    peer.serve([](KeyboardPeer& p) {
      if (p.accept() && p.expect(keyboard_request(hex("01 00")))) p.send(keyboard_reply(0x9000, kInfo));
    });
    const int32_t handle = QX_Open(0, QX_PORT_KEYBOARD);
    peer.join();
    return handle;
  }

  template <typename Call>
  auto with_reader(std::function<void(KeyboardPeer&)> script, Call call) {
    peer.serve(std::move(script));
    auto result = call();
    peer.join();
    return result;
  }

  KeyboardPeer peer;
};

TEST_F(KeyboardPort, OpenSendsTheInformationRequestAndReturnsAHandle) {
  EXPECT_EQ(open(), 0);
}

TEST_F(KeyboardPort, UnsetOrUnreachableSocketGivesMinus1086) {
  ::unsetenv("PELORUS32_KEYBOARD");
  EXPECT_EQ(QX_Open(0, QX_PORT_KEYBOARD), -1086);
  ::setenv("PELORUS32_KEYBOARD", "/nonexistent/keyboard", 1);
  EXPECT_EQ(QX_Open(0, QX_PORT_KEYBOARD), -1086);
}

TEST_F(KeyboardPort, FailedInformationRequestClosesTheDevice) {
  EXPECT_EQ(with_reader(
                [](KeyboardPeer& p) {
                  if (p.accept()) p.receive();
                },
                [] { return QX_Open(0, QX_PORT_KEYBOARD); }),
            -1081);
  EXPECT_EQ(open(), 0) << "a later open connects afresh";
}

TEST_F(KeyboardPort, SessionAndInformationGoThroughTheSocket) {
  ASSERT_EQ(open(), 0);
  QX_SESSION session{};
  session.CardType = QX_CARD_MCU_T0;
  EXPECT_EQ(with_reader(
                [](KeyboardPeer& p) {
                  if (p.expect(keyboard_request(hex("02 01 0C")))) p.send(keyboard_reply(0x9000));
                  if (p.expect(keyboard_request(hex("80 00")))) p.send(keyboard_reply(0x9000, hex("3B 02 14")));
                },
                [&] { return QX_StartSession(0, &session); }),
            0);
  EXPECT_EQ(session.ATRLen, 3);
  QX_INFO info{};
  EXPECT_EQ(with_reader(
                [](KeyboardPeer& p) {
                  if (p.expect(keyboard_request(hex("01 00")))) p.send(keyboard_reply(0x9000, kInfo));
                },
                [&] { return QX_GetInfo(0, &info); }),
            0);
  EXPECT_EQ(info.MaxR, 0xFC);
}

TEST_F(KeyboardPort, BadRepliesAreNotRetried) {
  ASSERT_EQ(open(), 0);
  QX_INFO info{};
  auto one_reply = [&](Bytes message) {
    return with_reader(
        [message](KeyboardPeer& p) {
          if (p.expect(keyboard_request(hex("01 00")))) p.send(message);
          EXPECT_TRUE(p.receive(100ms).empty()) << "no second request";
        },
        [&] { return QX_GetInfo(0, &info); });
  };
  Bytes bad_checksum = keyboard_reply(0x9000, kInfo);
  bad_checksum[bad_checksum.size() - 2] = 0x0B;
  EXPECT_EQ(one_reply(bad_checksum), -1081);
  EXPECT_EQ(one_reply(hex("0B 02 0A 0B")), -1081) << "no start byte";
  EXPECT_EQ(one_reply(Bytes(600, 0x0B)), -1052) << "600 bytes or more";
  EXPECT_EQ(one_reply(Bytes(900, 0x0B)), -1052);
}

TEST_F(KeyboardPort, NoReplyEndsAfterTheReplyWait) {
  ASSERT_EQ(open(), 0);
  QX_INFO info{};
  EXPECT_EQ(with_reader([](KeyboardPeer& p) { p.receive(); }, [&] { return QX_GetInfo(0, &info); }), -1081);
  // A late reply to the abandoned request is not taken for the next one's.
  peer.send(keyboard_reply(0x6002));
  EXPECT_EQ(with_reader(
                [](KeyboardPeer& p) {
                  if (p.expect(keyboard_request(hex("01 00")))) p.send(keyboard_reply(0x9000, kInfo));
                },
                [&] { return QX_GetInfo(0, &info); }),
            0);
}

// The reply to an abandoned request may come only after the next request would have gone out: the
// library waits for it first, drops it, and only then sends.
TEST_F(KeyboardPort, ReplyOwedByAnAbandonedRequestIsAwaitedBeforeTheNextOne) {
  ASSERT_EQ(open(), 0);
  QX_INFO info{};
  EXPECT_EQ(with_reader([](KeyboardPeer& p) { p.receive(); }, [&] { return QX_GetInfo(0, &info); }), -1081);
  EXPECT_EQ(with_reader(
                [](KeyboardPeer& p) {
                  std::this_thread::sleep_for(30ms);
                  p.send(keyboard_reply(0x6002));  // the late reply to the first request
                  if (p.expect(keyboard_request(hex("01 00")))) p.send(keyboard_reply(0x9000, kInfo));
                },
                [&] { return QX_GetInfo(0, &info); }),
            0);
  EXPECT_EQ(info.MaxC, 0xF8);
}

// While the owed reply does not come, nothing is sent; once it has come, requests go out again.
TEST_F(KeyboardPort, NoRequestGoesOutWhileAReplyIsStillOwed) {
  ASSERT_EQ(open(), 0);
  QX_INFO info{};
  EXPECT_EQ(with_reader([](KeyboardPeer& p) { p.receive(); }, [&] { return QX_GetInfo(0, &info); }), -1081);
  EXPECT_EQ(with_reader([](KeyboardPeer& p) { EXPECT_TRUE(p.receive(150ms).empty()) << "nothing sent"; },
                        [&] { return QX_GetInfo(0, &info); }),
            -1081);
  peer.send(keyboard_reply(0x6002));
  EXPECT_EQ(with_reader(
                [](KeyboardPeer& p) {
                  if (p.expect(keyboard_request(hex("01 00")))) p.send(keyboard_reply(0x9000, kInfo));
                },
                [&] { return QX_GetInfo(0, &info); }),
            0);
}

}  // namespace
