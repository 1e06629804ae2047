// COM1 served over the network by Debian's ser2net (RFC 2217), with the scripted reader on the
// pseudo-terminal behind it. ser2net does not acknowledge modem-line commands on a
// pseudo-terminal; the library must not wait for them.
#include <stdlib.h>

#include "reader_fixture.h"
#include "ser2net_server.h"

namespace {

using namespace testing_support;

const Bytes kInfo = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 01");

class Ser2net : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    server = std::make_unique<Ser2netServer>(peer.slave_path());
    ASSERT_TRUE(server->running()) << "ser2net is missing or did not start (apt-get install ser2net)";
    ::setenv("PELORUS32_COM1", server->url().c_str(), 1);
  }
  void TearDown() override {
    ReaderTest::TearDown();
    server.reset();
  }

  std::unique_ptr<Ser2netServer> server;
};

TEST_F(Ser2net, OpenSessionAndExchangeThroughTheNetworkPort) {
  ASSERT_EQ(open_reader(), 0);
  QX_INFO info{};
  EXPECT_EQ(with_reader(answer(frame("01 00"), reply(0x9000, kInfo)), [&] { return QX_GetInfo(0, &info); }), 0);
  EXPECT_EQ(std::string(info.FWRevision, 10), "KITEBT0310");

  QX_SESSION session{};
  session.CardType = QX_CARD_MCU_T0;
  EXPECT_EQ(with_reader(
                [](PtyPeer& p) {
                  if (p.expect(frame("02 01 0C"))) p.send(reply(0x9000));
                  if (p.expect(frame("80 00"))) p.send(reply(0x9000, hex("3B FF 02 14")));
                },
                [&] { return QX_StartSession(0, &session); }),
            0);
  EXPECT_EQ(session.ATRLen, 4);

  // Data bytes 0xFF travel doubled on the network and arrive single on the line.
  QX_APDU apdu{};
  apdu.INS = 0xFF;
  apdu.Le = 1;
  EXPECT_EQ(with_reader(answer(frame("A0 06 00 FF 00 00 00 01"), reply(0x9000, hex("FF 90 00"))),
                        [&] { return QX_ExchangeAPDU(0, &apdu); }),
            0);
  EXPECT_EQ(apdu.DataOut[0], 0xFF);
}

TEST_F(Ser2net, RateChangeReachesTheServedDevice) {
  ASSERT_EQ(open_reader(), 0);
  EXPECT_EQ(with_reader(
                [](PtyPeer& p) {
                  if (p.expect(frame("01 00"))) p.send(reply(0x9000, kInfo));
                  if (p.expect(frame("03 02 00 00"))) p.send(reply(0x9000));
                },
                [] { return QX_SetOptions(0, QX_OPT_BAUD_RATE, QX_BAUD_115200); }),
            0);
  // ser2net sets the rate on its side of the pseudo-terminal a moment later.
  for (int i = 0; i < 100 && peer.line_rate() != 115200; ++i) std::this_thread::sleep_for(20ms);
  EXPECT_EQ(peer.line_rate(), 115200);
}

}  // namespace
