#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include "reader_fixture.h"

namespace {

using namespace testing_support;

using OpenClose = ReaderTest;

TEST_F(OpenClose, OpenSendsThePresenceProbeAndReturnsHandleZero) {
  EXPECT_EQ(open_reader(QX_READER_KITEB_9600), 0);
  EXPECT_EQ(peer.line_rate(), 9600);
}

TEST_F(OpenClose, ReaderTypeSetsTheInitialRate) {
  EXPECT_EQ(open_reader(QX_READER_KITEB_57600), 0);
  EXPECT_EQ(peer.line_rate(), 57600);
}

TEST_F(OpenClose, SecondOpenOfAnOpenPortAddsAHandleWithoutTraffic) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(with_reader([](PtyPeer& p) { EXPECT_TRUE(p.silent_for(100ms)); }, [] { return QX_Open(3, QX_PORT_COM1); }), 1);

  // Closing one handle leaves the other usable; closing both closes the port.
  EXPECT_EQ(QX_Close(0), 0);
  QX_INFO info{};
  const Bytes info_data = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 01");
  EXPECT_EQ(with_reader(answer(frame("01 00"), reply(0x9000, info_data)), [&] { return QX_GetInfo(1, &info); }), 0);
  EXPECT_EQ(QX_Close(1), 0);
  // The next open opens the port afresh: the probe goes out again.
  EXPECT_EQ(open_reader(), 0);
}

TEST_F(OpenClose, BadHandlesGiveMinus603) {
  EXPECT_EQ(QX_Close(10), -603);
  EXPECT_EQ(QX_Close(-1), -603);
  EXPECT_EQ(QX_Close(0), -603);
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(QX_Close(0), 0);
  EXPECT_EQ(QX_Close(0), -603);
  QX_SESSION session{};
  QX_INFO info{};
  QX_APDU apdu{};
  EXPECT_EQ(QX_StartSession(0, &session), -603);
  EXPECT_EQ(QX_EndSession(0), -603);
  EXPECT_EQ(QX_GetInfo(0, &info), -603);
  EXPECT_EQ(QX_SetOptions(0, 2, 0), -603);
  EXPECT_EQ(QX_Options(0, 10, 0, nullptr, 0), -603);
  EXPECT_EQ(QX_ExchangeAPDU(0, &apdu), -603);
  EXPECT_EQ(QX_RegisterCallback(0, nullptr), -603);
}

TEST_F(OpenClose, BadPortNumbersOpenNothing) {
  EXPECT_EQ(QX_Open(0, 129), -100);
  EXPECT_EQ(QX_Open(0, 2), -1081);
  EXPECT_EQ(QX_Open(0, -1), -1081);
  EXPECT_TRUE(peer.silent_for(50ms));
}

TEST_F(OpenClose, EleventhOpenGivesMinus108AndKeepsTheOpenCount) {
  ASSERT_EQ(open_reader(), 0);
  for (int i = 1; i < 10; ++i) ASSERT_EQ(QX_Open(4, QX_PORT_COM1), i);
  EXPECT_EQ(QX_Open(4, QX_PORT_COM1), -108);
  // Nine closes leave the port open: the last handle still reaches the reader.
  for (int i = 0; i < 9; ++i) ASSERT_EQ(QX_Close(i), 0);
  QX_SESSION session{};
  session.CardType = QX_CARD_MCU_T0;
  const int32_t started = with_reader(
      [](PtyPeer& p) {
        if (p.expect(frame("02 01 0C"))) p.send(reply(0x9000));
        if (p.expect(frame("80 00"))) p.send(reply(0x9000, hex("3B 00")));
      },
      [&] { return QX_StartSession(9, &session); });
  EXPECT_EQ(started, 0);
  EXPECT_EQ(QX_Close(9), 0);
  EXPECT_EQ(open_reader(), 0) << "the tenth close closed the port";
}

TEST_F(OpenClose, SilentPortGivesMinus1081AndTheNextOpenStartsAfresh) {
  EXPECT_EQ(with_reader([](PtyPeer& p) { p.expect(kProbe); }, [] { return QX_Open(4, QX_PORT_COM1); }), -1081);
  EXPECT_EQ(open_reader(), 0);
}

TEST_F(OpenClose, ANormalReplyToTheProbeIsNoReader) {
  EXPECT_EQ(with_reader(answer(kProbe, reply(0x9000)), [] { return QX_Open(4, QX_PORT_COM1); }), -1081);
}

TEST_F(OpenClose, MissingDeviceGivesMinus1081) {
  ::setenv("PELORUS32_COM1", "/nonexistent/tty", 1);
  EXPECT_EQ(QX_Open(4, QX_PORT_COM1), -1081);
}

TEST_F(OpenClose, PortIsHeldExclusively) {
  ASSERT_EQ(open_reader(), 0);
  // Another program cannot take the port while it is open here.
  const int other = ::open(peer.slave_path().c_str(), O_RDWR | O_NOCTTY);
  if (other < 0) {
    EXPECT_EQ(errno, EBUSY);
  } else {
    // Root may open an exclusive tty; the lock still stops it.
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
  }
}

TEST_F(OpenClose, PortLockedByAnotherProgramCannotBeOpened) {
  const int other = ::open(peer.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(QX_Open(4, QX_PORT_COM1), -1081);
  ::close(other);
  EXPECT_EQ(open_reader(), 0);
}

TEST_F(OpenClose, KiteaAnswersTheProbeWithoutStx) {
  EXPECT_EQ(open_reader(QX_READER_KITEA), 0);
}

}  // namespace

namespace {

using namespace testing_support;

// Each serial port has its own line, listener and buffers: two readers can be open together.
TEST_F(OpenClose, Com1AndCom2ServeTwoReadersAtOnce) {
  PtyPeer second;
  ::setenv("PELORUS32_COM2", second.slave_path().c_str(), 1);
  ASSERT_EQ(open_reader(), 0);
  second.serve([](PtyPeer& p) {
    if (p.expect(kProbe)) p.send(kNack);
  });
  ASSERT_EQ(QX_Open(4, QX_PORT_COM2), 1);
  second.join();

  const Bytes info1 = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 01");
  const Bytes info2 = hex("4B 49 54 45 42 54 30 34 30 30 F8 FC 7F FF 0C 01");
  second.serve(answer(frame("01 00"), reply(0x9000, info2)));
  QX_INFO first_info{}, second_info{};
  EXPECT_EQ(with_reader(answer(frame("01 00"), reply(0x9000, info1)), [&] { return QX_GetInfo(0, &first_info); }), 0);
  EXPECT_EQ(QX_GetInfo(1, &second_info), 0);
  second.join();
  EXPECT_EQ(std::string(first_info.FWRevision, 10), "KITEBT0310");
  EXPECT_EQ(std::string(second_info.FWRevision, 10), "KITEBT0400");
}

}  // namespace
