// The control end to end: through its C ABI, the real reader library and its serial port code to
// the emulated reader on a pseudo-terminal (KITEB at 9600 bit/s on COM1: a pseudo-terminal has
// no DTR, so no detection).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <memory>

#include "control_client.h"
#include "kitesim/card.h"
#include "kitesim/emulator.h"
#include "pelorus32.h"

namespace control_test {
namespace {

using namespace std::chrono_literals;

// The reader's card-type mask: reader byte 0x0C (bit 11) for the microcontroller card, and
// bit 1, so that SupportCardGroup tells the bits apart.
constexpr std::uint16_t kCardTypeMask = 0x0802;

class ControlOnReader : public ::testing::Test {
 protected:
  void SetUp() override {
    emulator = std::make_unique<kitesim::Emulator>(
        kitesim::ReaderConfig{.model = kitesim::Model::KITEB, .rate = 9600, .firmware = "KITEBT0417",
                              .card_type_mask = kCardTypeMask});
    ::setenv("PELORUS32_COM1", emulator->start_pty().c_str(), 1);
    insert_card({0x3B, 0x02, 0x14});
    control.set("ReaderType", QX_READER_KITEB_9600);
    control.set("ReaderPort", QX_PORT_COM1);
  }

  void insert_card(kitesim::Bytes atr) {
    const auto before = emulator->state().events_sent;
    emulator->insert(kitesim::make_card("mcu-t0", {.atr = std::move(atr)}));
    emulator->wait_for([&](const kitesim::ReaderState& s) { return s.events_sent > before; }, 2s);
  }

  void remove_card() { emulator->remove(); }

  void open_with_session() {
    ASSERT_EQ(control.call("QXOpen"), 0);
    control.set("CardType", QX_CARD_MCU_T0);
    ASSERT_EQ(control.call("QXStartSession"), 0);
  }

  // An echo command of the card: Le bytes, the command data repeated.
  void prepare_echo(std::int16_t lc, std::int16_t le) {
    control.set("CLA", 0x80);
    control.set("INS", 0xEE);
    control.set("P1", 0);
    control.set("P2", 0);
    control.set("Lc", lc);
    control.set("Le", le);
  }

  std::uint64_t commands() const { return emulator->state().commands_received; }
  kitesim::Bytes last_command() const { return emulator->state().last_command; }

  std::unique_ptr<kitesim::Emulator> emulator;
  ControlClient control;
};

TEST_F(ControlOnReader, OpenReadsTheReaderInformation) {
  ASSERT_EQ(control.call("QXOpen"), 0);
  EXPECT_EQ(control.get("FWRevision").text, "KITEBT0417");
  EXPECT_EQ(control.number("MaxC"), 255);
  EXPECT_EQ(control.number("MaxR"), 255);
  EXPECT_EQ(control.number("LibraryVersion"), 501);
  EXPECT_EQ(control.number("CurrentBaudRate"), 9600);
  EXPECT_EQ(control.get("CardInserted").integer, VARIANT_TRUE);
  EXPECT_EQ(control.get("CardHavePower").integer, VARIANT_FALSE);
  EXPECT_EQ(control.get_at("SupportCardGroup", 33).integer, VARIANT_TRUE) << "bit 1";
  EXPECT_EQ(control.get_at("SupportCardGroup", 32).integer, VARIANT_FALSE) << "bit 0";
  EXPECT_EQ(control.get_at("SupportCardGroup", 11).integer, VARIANT_TRUE);
  EXPECT_EQ(control.get_at("SupportCardGroup", -21).integer, VARIANT_TRUE) << "-21 mod 32 is 11";
  EXPECT_EQ(control.get_at("SupportCardGroup", -1).integer, VARIANT_FALSE) << "bit 31";
  EXPECT_EQ(control.call("QXClose"), 0);
  EXPECT_EQ(QX_Close(0), QX_ERR_BAD_HANDLE) << "the control's handle is closed";
}

TEST_F(ControlOnReader, OpeningTwiceClosesTheFirstHandleFirst) {
  ASSERT_EQ(control.call("QXOpen"), 0);
  ASSERT_EQ(control.call("QXOpen"), 0);
  EXPECT_EQ(emulator->state().probes_received, 2u) << "the port was opened anew";
  EXPECT_EQ(QX_Close(1), QX_ERR_BAD_HANDLE) << "no second handle is left behind";
  EXPECT_EQ(control.call("QXClose"), 0);
  EXPECT_EQ(control.call("QXClose"), 0);
}

TEST_F(ControlOnReader, AFailedOpenLeavesTheControlWithoutReader) {
  ::setenv("PELORUS32_COM1", "/dev/null/no-such-port", 1);
  EXPECT_EQ(control.call("QXOpen"), QX_ERR_TIMEOUT);
  EXPECT_EQ(control.call("QXStartSession"), -1);
  EXPECT_EQ(control.call("QXExchangeAPDU"), -1);
  EXPECT_EQ(control.call("QXClose"), 0);
}

TEST_F(ControlOnReader, SessionStartWritesTheAnswerToResetInHexadecimal) {
  open_with_session();
  EXPECT_EQ(control.get("ATR").text, "3B0214");
  EXPECT_EQ(control.number("CurrentCardGroup"), 0x0C);
  EXPECT_EQ(control.get("CardHavePower").integer, VARIANT_TRUE);
  EXPECT_EQ(control.call("QXEndSession"), 0);
  EXPECT_EQ(control.get("CardHavePower").integer, VARIANT_FALSE);
}

TEST_F(ControlOnReader, CardTypeKeepsTheRequestedCode) {
  ASSERT_EQ(control.call("QXOpen"), 0);
  control.set("CardType", QX_CARD_AUTODETECT);
  ASSERT_EQ(control.call("QXStartSession"), 0);
  EXPECT_EQ(control.number("CardType"), 0) << "the library resolved T=0, the property keeps 0";
  EXPECT_EQ(control.number("CurrentCardGroup"), emulator->state().selected_card_type) << "the reader's own";
}

TEST_F(ControlOnReader, AFailedSessionStartLeavesTheATR) {
  open_with_session();
  remove_card();
  EXPECT_EQ(control.call("QXStartSession"), QX_ERR_STATUS_6002) << "no card";
  EXPECT_EQ(control.get("ATR").text, "3B0214");
  EXPECT_EQ(control.call("QXClose"), 0);
}

TEST_F(ControlOnReader, LcSendsItsLowByteOfDataBytes) {
  open_with_session();
  for (std::int16_t i = 0; i < 256; ++i) ASSERT_EQ(control.put_at("DataIn", i, Variant::i2(0x100 + i)), S_OK);
  prepare_echo(300, 8);
  ASSERT_EQ(control.call("QXExchangeAPDU"), 0);
  kitesim::Bytes sent = last_command();
  ASSERT_EQ(sent.size(), 7u + 44u + 1u) << "A0, length, CLA INS P1 P2 Lc, 44 bytes, Le";
  EXPECT_EQ(sent[6], 44);
  for (std::size_t i = 0; i < 44; ++i) ASSERT_EQ(sent[7 + i], i) << "the low byte of each element";
  EXPECT_EQ(sent.back(), 8);

  control.set("Lc", -1);
  ASSERT_EQ(control.call("QXExchangeAPDU"), 0);
  sent = last_command();
  ASSERT_EQ(sent.size(), 7u + 255u + 1u);
  EXPECT_EQ(sent[6], 255);
  EXPECT_EQ(sent[7 + 254], 254);
}

TEST_F(ControlOnReader, ExchangeFillsLeDataOutAndTheStatusBytes) {
  open_with_session();
  for (std::int16_t i = 0; i < 3; ++i) control.put_at("DataIn", i, Variant::i2(0xA0 + i));
  prepare_echo(3, 5);
  ASSERT_EQ(control.call("QXExchangeAPDU"), 0);
  EXPECT_EQ(control.number("Le"), 5);
  const int expected[] = {0xA0, 0xA1, 0xA2, 0xA0, 0xA1};
  for (std::int16_t i = 0; i < 5; ++i) EXPECT_EQ(control.get_at("DataOut", i).integer, expected[i]) << i;
  EXPECT_EQ(control.number("SW1"), 0x90);
  EXPECT_EQ(control.number("SW2"), 0x00);
}

TEST_F(ControlOnReader, LeIsTheNumberReceivedEvenWhenMoreWasAsked) {
  open_with_session();
  // Select the 300-byte file 0101 and read 20 bytes at 290: the card has 10.
  control.set("CLA", 0);
  control.set("INS", 0xA4);
  control.set("Lc", 2);
  control.set("Le", 0);
  control.put_at("DataIn", 0, Variant::i2(0x01));
  control.put_at("DataIn", 1, Variant::i2(0x01));
  ASSERT_EQ(control.call("QXExchangeAPDU"), 0);
  for (std::int16_t i = 0; i < 20; ++i) control.put_at("DataOut", i, Variant::i2(-5));
  control.set("INS", 0xB0);
  control.set("P1", 0x01);
  control.set("P2", 0x22);
  control.set("Lc", 0);
  control.set("Le", 20);
  ASSERT_EQ(control.call("QXExchangeAPDU"), 0);
  EXPECT_EQ(control.number("Le"), 10);
  EXPECT_EQ(control.get_at("DataOut", 0).integer, 290 & 0xFF);
  EXPECT_EQ(control.get_at("DataOut", 9).integer, 299 & 0xFF);
  EXPECT_EQ(control.get_at("DataOut", 10).integer, -5) << "elements past the received bytes keep their values";
  EXPECT_EQ(control.number("SW1"), 0x62);
  EXPECT_EQ(control.number("SW2"), 0x82);
}

TEST_F(ControlOnReader, AFailedExchangeChangesNoProperty) {
  open_with_session();
  prepare_echo(1, 4);
  ASSERT_EQ(control.call("QXExchangeAPDU"), 0);
  remove_card();
  control.put_at("DataOut", 0, Variant::i2(77));
  control.set("Le", 9);
  EXPECT_LT(control.call("QXExchangeAPDU"), 0);
  EXPECT_EQ(control.number("Le"), 9);
  EXPECT_EQ(control.number("SW1"), 0x90);
  EXPECT_EQ(control.get_at("DataOut", 0).integer, 77);
}

TEST_F(ControlOnReader, CardInsertedAsksTheReaderOnlyWhileOneIsOpen) {
  ASSERT_EQ(control.call("QXOpen"), 0);
  remove_card();
  EXPECT_EQ(control.get("CardInserted").integer, VARIANT_FALSE) << "refreshed";
  insert_card({0x3B, 0x00});
  EXPECT_EQ(control.get("CardInserted").integer, VARIANT_TRUE);
  ASSERT_EQ(control.call("QXClose"), 0);

  remove_card();
  const auto before = commands();
  EXPECT_EQ(control.get("CardInserted").integer, VARIANT_TRUE) << "the stored bit";
  EXPECT_EQ(control.number("CurrentCardGroup"), 0);
  EXPECT_EQ(commands(), before) << "nothing was sent";
}

TEST_F(ControlOnReader, ReleasingTheControlClosesItsReader) {
  ASSERT_EQ(control.call("QXOpen"), 0);
  control.release();
  EXPECT_EQ(QX_Close(0), QX_ERR_BAD_HANDLE) << "the handle went with the control";
  ControlClient next;
  next.set("ReaderType", QX_READER_KITEB_9600);
  next.set("ReaderPort", QX_PORT_COM1);
  EXPECT_EQ(next.call("QXOpen"), 0) << "the port is free again";
  EXPECT_EQ(next.call("QXClose"), 0);
}

}  // namespace
}  // namespace control_test
