// The real library against the emulated reader: opening every reader type, auto-detection of
// every announced rate, sessions, the information block and options.
#include <cstring>
#include <string>

#include "emulated_reader.h"
#include "kitesim/card.h"

namespace {

using namespace e2e;

TEST_F(EmulatedReader, FixedRateReaderTypesOpenAtTheirRates) {
  const struct {
    int32_t reader_type;
    kitesim::Model model;
    uint32_t rate;
  } cases[] = {{QX_READER_KITEA, kitesim::Model::KITEA, 9600},
               {QX_READER_KITEB_57600, kitesim::Model::KITEB, 57600},
               {QX_READER_KITEB_19200, kitesim::Model::KITEB, 19200},
               {QX_READER_KITEB_115200, kitesim::Model::KITEB, 115200},
               {QX_READER_KITEB_9600, kitesim::Model::KITEB, 9600}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reader_type);
    start({.model = c.model, .rate = c.rate});
    ASSERT_EQ(QX_Open(c.reader_type, QX_PORT_COM1), 0);
    QX_INFO info{};
    EXPECT_EQ(QX_GetInfo(0, &info), 0);
    EXPECT_EQ(info.BaudRate, static_cast<int32_t>(c.rate));
    EXPECT_EQ(info.LibraryVersion, 501);
    ASSERT_EQ(QX_Close(0), 0);
  }
}

TEST_F(EmulatedReader, ReaderAtAnotherRateIsNotFound) {
  start(kiteb(19200));
  EXPECT_EQ(QX_Open(QX_READER_KITEB_9600, QX_PORT_COM1), -1081);
  EXPECT_GT(emulator->state().bytes_ignored, 0u);
}

// Over RFC 2217 the DTR pulse reaches the reader, which announces its rate.
TEST_F(EmulatedReader, AutoDetectionFindsEveryAnnouncedRate) {
  for (uint32_t rate : {115200u, 57600u, 19200u, 9600u}) {
    SCOPED_TRACE(rate);
    start(kiteb(rate), Transport::Rfc2217);
    ASSERT_EQ(QX_Open(QX_READER_AUTODETECT, QX_PORT_COM1), 0);
    QX_INFO info{};
    ASSERT_EQ(QX_GetInfo(0, &info), 0);
    EXPECT_EQ(info.BaudRate, static_cast<int32_t>(rate));
    EXPECT_EQ(emulator->state().startups_sent, 1u);
    ASSERT_EQ(QX_Close(0), 0);
  }
}

// A pseudo-terminal carries no DTR: no start-up frame comes, so the library takes the reader for
// a KITEA at 9600.
TEST_F(EmulatedReader, AutoDetectionOverAPseudoTerminalFallsBackToKitea) {
  start({.model = kitesim::Model::KITEA, .rate = 9600});
  ASSERT_EQ(QX_Open(QX_READER_AUTODETECT, QX_PORT_COM1), 0);
  QX_INFO info{};
  EXPECT_EQ(QX_GetInfo(0, &info), 0);
  EXPECT_EQ(info.BaudRate, 9600);
}

TEST_F(EmulatedReader, InformationBlockIsTheReadersOwn) {
  start({.model = kitesim::Model::KITEB, .rate = 9600, .firmware = "KITEBT0777"});
  emulator->insert(kitesim::make_card("mcu-t0"));
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  QX_INFO info{};
  ASSERT_EQ(QX_GetInfo(0, &info), 0);
  EXPECT_EQ(std::string(info.FWRevision, 10), "KITEBT0777");
  EXPECT_EQ(info.CardTypeMask, 0xBFF7);
  EXPECT_EQ(info.CardStatus & 1, 1) << "card inserted";
  start_session(QX_CARD_MCU_T0);
  ASSERT_EQ(QX_GetInfo(0, &info), 0);
  EXPECT_EQ(info.CardStatus, 3) << "inserted and powered";
  EXPECT_EQ(info.CurrentCardType, 0x0C);
}

TEST_F(EmulatedReader, MicrocontrollerCardSessionsAndApdus) {
  start(kiteb());
  emulator->insert(kitesim::make_card("mcu-t1"));
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);

  QX_SESSION session = start_session(QX_CARD_AUTODETECT);
  EXPECT_EQ(session.CardType, QX_CARD_MCU_T1);
  EXPECT_EQ(session.ATRLen, 6);
  EXPECT_EQ(session.ATR[0], 0x3B);

  QX_APDU select{};
  select.INS = 0xA4;
  select.Lc = 2;
  select.DataIn[0] = 0x01;
  select.DataIn[1] = 0x01;
  ASSERT_EQ(QX_ExchangeAPDU(0, &select), 0);
  EXPECT_EQ(select.Status, 0x9000);
  EXPECT_EQ(select.Le, 0);

  // A full 256-byte answer travels in the long length form.
  QX_APDU read{};
  read.INS = 0xB0;
  read.Le = 0;  // 256
  ASSERT_EQ(QX_ExchangeAPDU(0, &read), 0);
  EXPECT_EQ(read.Le, 256);
  EXPECT_EQ(read.DataOut[255], 0xFF);
  EXPECT_EQ(read.Status, 0x9000);

  QX_APDU unknown{};
  unknown.INS = 0x70;
  ASSERT_EQ(QX_ExchangeAPDU(0, &unknown), 0);
  EXPECT_EQ(unknown.Status, 0x6D00);
  EXPECT_EQ(QX_EndSession(0), 0);
}

TEST_F(EmulatedReader, NoCardAndWrongCardTypeAreReaderErrors) {
  start(kiteb());
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  QX_SESSION session{};
  session.CardType = QX_CARD_MCU_T0;
  EXPECT_EQ(QX_StartSession(0, &session), -1002) << "no card";
  emulator->insert(kitesim::make_card("iic"));
  EXPECT_LT(QX_StartSession(0, &session), 0) << "a memory card does not power up as a microcontroller card";
  QX_APDU apdu{};
  EXPECT_EQ(QX_ExchangeAPDU(0, &apdu), -1001) << "no session was started";
}

TEST_F(EmulatedReader, IicCardWriteThenReadBack) {
  start(kiteb());
  emulator->insert(kitesim::make_card("iic"));
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  start_session(QX_CARD_IIC);

  QX_APDU write{};
  write.INS = QXI_Write;
  write.P2 = 0x10;
  write.Lc = 4;
  std::memcpy(write.DataIn, "\xDE\xAD\xBE\xEF", 4);
  ASSERT_EQ(QX_ExchangeAPDU(0, &write), 0);
  EXPECT_EQ(write.Status, 0x9000);

  QX_APDU read{};
  read.INS = QXI_Read;
  read.P2 = 0x10;
  read.Le = 4;
  ASSERT_EQ(QX_ExchangeAPDU(0, &read), 0);
  EXPECT_EQ(read.Le, 4);
  EXPECT_EQ(0, std::memcmp(read.DataOut, "\xDE\xAD\xBE\xEF", 4));
}

TEST_F(EmulatedReader, SecurityModuleSession) {
  start(kiteb());
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  QX_SESSION session{};
  session.CardType = QX_CARD_SC_MODULE;
  ASSERT_EQ(QX_StartSession(0, &session), 0);
  EXPECT_GT(session.ATRLen, 0);
  QX_APDU challenge{};
  challenge.INS = 0x84;
  challenge.Le = 8;
  ASSERT_EQ(QX_ExchangeAPDU(0, &challenge), 0);
  EXPECT_EQ(challenge.Le, 8);
  EXPECT_EQ(challenge.Status, 0x9000);
  EXPECT_EQ(QX_EndSession(0), 0);
  EXPECT_FALSE(emulator->state().module_powered);
}

TEST_F(EmulatedReader, RateChangeMovesReaderAndLineTogether) {
  for (Transport transport : {Transport::Pty, Transport::Rfc2217}) {
    start(kiteb(), transport);
    ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
    for (uint32_t code : {QX_BAUD_14400, QX_BAUD_28800, QX_BAUD_115200, QX_BAUD_19200}) {
      ASSERT_EQ(QX_SetOptions(0, QX_OPT_BAUD_RATE, code), 0) << code;
      QX_INFO info{};
      ASSERT_EQ(QX_GetInfo(0, &info), 0) << "the next command goes through at the new rate";
      EXPECT_EQ(static_cast<uint32_t>(info.BaudRate), emulator->state().rate);
    }
    ASSERT_EQ(QX_Close(0), 0);
  }
}

TEST_F(EmulatedReader, FirmwareWithoutRateChangeKeepsTheRate) {
  start({.model = kitesim::Model::KITEB, .rate = 9600, .firmware = "KITEBT0220"});
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  EXPECT_EQ(QX_SetOptions(0, QX_OPT_BAUD_RATE, QX_BAUD_57600), -1);
  QX_INFO info{};
  EXPECT_EQ(QX_GetInfo(0, &info), 0);
  EXPECT_EQ(info.BaudRate, 9600);
}

TEST_F(EmulatedReader, OptionBytesOrTheCardTypeMaskInstead) {
  start(kiteb());
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  uint8_t bytes[4] = {};
  ASSERT_EQ(QX_Options(0, QX_OPT_READ_BYTES, 0, bytes, 2), 0);
  EXPECT_EQ(bytes[0], 0xBF);
  ASSERT_EQ(QX_Close(0), 0);

  start({.model = kitesim::Model::KITEB, .rate = 9600, .card_type_mask = 0x1234, .option_bytes = std::nullopt});
  ASSERT_EQ(QX_Open(4, QX_PORT_COM1), 0);
  ASSERT_EQ(QX_Options(0, QX_OPT_READ_BYTES, 0, bytes, 4), 0);
  EXPECT_EQ(bytes[0], 0x12);
  EXPECT_EQ(bytes[1], 0x34);
  EXPECT_EQ(bytes[2], 0x00);
}

TEST_F(EmulatedReader, KeyboardPortReachesTheSameReader) {
  start(kiteb());
  const std::string path = ::testing::TempDir() + "pelorus-e2e-keyboard-" + std::to_string(::getpid());
  emulator->start_keyboard_socket(path);
  emulator->insert(kitesim::make_card("mcu-t0"));
  ::setenv("PELORUS32_KEYBOARD", path.c_str(), 1);
  const int32_t handle = QX_Open(0, QX_PORT_KEYBOARD);
  ASSERT_EQ(handle, 0);
  QX_SESSION session = start_session(QX_CARD_MCU_T0);
  EXPECT_EQ(session.ATRLen, 4);
  QX_APDU echo{};
  echo.INS = 0xEE;
  echo.Le = 200;
  ASSERT_EQ(QX_ExchangeAPDU(handle, &echo), 0);
  EXPECT_EQ(echo.Le, 200);
  EXPECT_EQ(echo.DataOut[199], 199);
  EXPECT_EQ(emulator->state().keyboard_requests, 4u);
}

}  // namespace
