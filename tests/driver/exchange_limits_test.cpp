// The frame limit: a 297-byte command fills a 600-byte frame; one byte more is refused before
// anything goes on the wire. Commands this long cannot be made through the ten functions, so the
// exchange is driven directly over a pseudo-terminal and the keyboard socket.
#include <gtest/gtest.h>

#include "bytes.h"
#include "keyboard_link.h"
#include "keyboard_peer.h"
#include "library.h"
#include "line.h"
#include "pty_peer.h"
#include "reply.h"
#include "serial_link.h"

namespace {

using namespace testing_support;

TEST(FrameLimit, SerialPortSendsTheLongestCommandAndRefusesOneByteMore) {
  PtyPeer peer;
  pelorus::PortState port;
  port.reader_type = QX_READER_KITEB_9600;
  auto link = std::make_unique<pelorus::SerialLink>(port, pelorus::open_line(peer.slave_path(), 9600));
  ASSERT_TRUE(link->start_listener());
  port.link = std::move(link);
  pelorus::Reply reply;

  Bytes command(297, 0x00);
  command[0] = 0xA0;
  command[1] = 0x27;  // 295 data bytes, low byte
  peer.serve([&](PtyPeer& p) {
    const Bytes sent = p.read_exactly(600);
    EXPECT_EQ(sent.size(), 600u);
    p.send(testing_support::reply(0x9000));
  });
  EXPECT_EQ(port.link->exchange(command, reply), 0);
  peer.join();

  command.push_back(0x00);
  EXPECT_EQ(port.link->exchange(command, reply), -1011);
  EXPECT_TRUE(peer.silent_for(100ms));
}

TEST(FrameLimit, KeyboardPortRefusesOneByteMoreWithMinus1052) {
  KeyboardPeer peer;
  peer.serve([](KeyboardPeer& p) {
    ASSERT_TRUE(p.accept());
    EXPECT_EQ(p.receive().size(), 600u);
    p.send(keyboard_reply(0x9000));
    EXPECT_TRUE(p.receive(100ms).empty());
  });
  pelorus::PortState port;
  port.link = pelorus::KeyboardLink::open(peer.path());
  ASSERT_NE(port.link, nullptr);
  pelorus::Reply reply;
  EXPECT_EQ(port.link->exchange(Bytes(297, 0x11), reply), 0);
  EXPECT_EQ(port.link->exchange(Bytes(298, 0x11), reply), -1052);
  peer.join();
}

}  // namespace
