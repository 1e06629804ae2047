// The IFD handler's functions as pcscd calls them, against the emulated reader over a
// pseudo-terminal and over RFC 2217: processor cards, memory cards through the pseudo-APDUs,
// card events waking the polling thread, and a reader whose line goes away and comes back.
#include <future>
#include <thread>

#include "ifdh_reader.h"

namespace {

using namespace pcsc_test;
using namespace std::chrono_literals;

using PollFunction = RESPONSECODE (*)(DWORD, int);
using StopFunction = RESPONSECODE (*)(DWORD);

TEST_P(IfdhReader, AProcessorCardAnswersWithItsAtrAndItsApdus) {
  open("mcu-t0");
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_ICC_PRESENT);
  EXPECT_EQ(hex(power_up()), "3B 02 4B 54");

  UCHAR atr[MAX_ATR_SIZE];
  DWORD length = sizeof atr;
  ASSERT_EQ(IFDHGetCapabilities(kLun, TAG_IFD_ATR, &length, atr), IFD_SUCCESS);
  EXPECT_EQ(hex(Bytes(atr, atr + length)), "3B 02 4B 54");
  EXPECT_EQ(IFDHSetProtocolParameters(kLun, SCARD_PROTOCOL_T0, 0, 0, 0, 0), IFD_SUCCESS);
  EXPECT_EQ(IFDHSetProtocolParameters(kLun, SCARD_PROTOCOL_T1, 0, 0, 0, 0), IFD_PROTOCOL_NOT_SUPPORTED);

  EXPECT_EQ(transmit("00 A4 00 00 02 2F 00"), "90 00");
  EXPECT_EQ(transmit("00 B0 00 00 08"), "4B 49 54 45 53 49 4D 20 90 00");
  EXPECT_EQ(transmit("80 EE 00 00 03 0A 0B 0C 03"), "0A 0B 0C 90 00");
}

TEST_P(IfdhReader, AT1CardIsDetectedAtPowerUp) {
  open("mcu-t1");
  EXPECT_EQ(hex(power_up()), "3B 82 01 4B 54 9C");
  EXPECT_EQ(IFDHSetProtocolParameters(kLun, SCARD_PROTOCOL_T1, 0, 0, 0, 0), IFD_SUCCESS);
  EXPECT_EQ(IFDHSetProtocolParameters(kLun, SCARD_PROTOCOL_T0, 0, 0, 0, 0), IFD_PROTOCOL_NOT_SUPPORTED);
  EXPECT_EQ(transmit("80 EE 00 00 01 77 02"), "77 77 90 00");
}

TEST_P(IfdhReader, AReplyOf256BytesArrivesWhole) {
  open("mcu-t0");
  power_up();
  const Bytes response = bytes_of(transmit("80 EE 00 00 00"));
  ASSERT_EQ(response.size(), 258u);
  EXPECT_EQ(response[255], 0xFF);
  EXPECT_EQ(hex({response[256], response[257]}), "90 00");
}

TEST_P(IfdhReader, BadLengthsFromTheApplicationAreRefusedSafely) {
  open("mcu-t0");
  power_up();
  EXPECT_EQ(transmit("00 A4 00"), "");
  EXPECT_EQ(last_result, IFD_COMMUNICATION_ERROR);
  EXPECT_EQ(transmit("00 D6 00 00 09 01 02"), "67 00") << "Lc past the bytes sent";
  EXPECT_EQ(transmit("80 EE 00 00 00", 100), "") << "256 bytes do not fit 100";
  EXPECT_EQ(last_result, IFD_ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(transmit("80 EE 00 00 02"), "00 01 90 00") << "the reader is still in step";
}

TEST_P(IfdhReader, TheDemoSle4442CardIsReadVerifiedAndWritten) {
  open("demo-sle4442");
  const Bytes atr = power_up();
  EXPECT_EQ(hex(atr), "3B 8F 80 01 80 4F 0C A0 00 00 03 06 00 00 00 00 00 00 00 68");
  EXPECT_EQ(transmit("FF B0 00 00 04"), "69 86") << "no type selected yet";
  EXPECT_EQ(transmit("FF A4 00 00 01 0E"), "6A 81") << "a microcontroller card type is no memory type";
  ASSERT_EQ(transmit("FF A4 00 00 01 0A"), "90 00");

  UCHAR named[MAX_ATR_SIZE];
  DWORD length = sizeof named;
  ASSERT_EQ(IFDHGetCapabilities(kLun, TAG_IFD_ATR, &length, named), IFD_SUCCESS);
  EXPECT_EQ(hex(Bytes(named + 12, named + 15)), "0F F0 0A") << "2-wire bus, card type 10";

  EXPECT_EQ(transmit("FF D6 00 40 02 AA BB"), "69 82") << "writes need the code";
  EXPECT_EQ(transmit("FF 20 00 00 03 11 22 33"), "63 C2");
  EXPECT_EQ(transmit("FF 20 00 00 03 12 34 56"), "90 00");
  EXPECT_EQ(transmit("FF D6 00 40 04 DE AD BE EF"), "90 00");
  EXPECT_EQ(transmit("FF B0 00 40 04"), "DE AD BE EF 90 00");
  EXPECT_EQ(transmit("FF 99 00 00"), "6D 00");
}

TEST_P(IfdhReader, AWrongCodeCountsTheChancesDownToTheLock) {
  open("demo-sle4442");
  power_up();
  ASSERT_EQ(transmit("FF A4 00 00 01 0A"), "90 00");
  EXPECT_EQ(transmit("FF 20 00 00 03 00 00 00"), "63 C2");
  EXPECT_EQ(transmit("FF 20 00 00 03 00 00 00"), "63 C1");
  EXPECT_EQ(transmit("FF 20 00 00 03 00 00 00"), "63 C0");
  EXPECT_EQ(transmit("FF 20 00 00 03 12 34 56"), "69 83") << "locked: even the right code is refused";
}

TEST_P(IfdhReader, APasswordCardIsReadAfterItsReadPassword) {
  open("demo-x76f100");
  power_up();
  ASSERT_EQ(transmit("FF A4 00 00 01 19"), "90 00");
  EXPECT_EQ(transmit("FF B0 00 00 04"), "69 82") << "no read password presented yet";
  EXPECT_EQ(transmit("FF 20 00 01 08 " + hex(Bytes{'w', 'r', 'o', 'n', 'g', '-', 'p', 'w'})), "63 00");
  EXPECT_EQ(transmit("FF 20 00 01 08 " + hex(Bytes{'r', 'e', 'a', 'd', '-', 'p', 'w', '!'})), "90 00");
  const Bytes read = bytes_of(transmit("FF B0 00 00 10"));
  ASSERT_EQ(read.size(), 18u);
  EXPECT_EQ(hex({read[16], read[17]}), "90 00");
}

TEST_P(IfdhReader, LongReadsAndWritesOfAnI2cCardAreSplit) {
  open("iic-2k");
  power_up();
  ASSERT_EQ(transmit("FF A4 00 00 01 0B"), "90 00");
  std::string data;
  for (int i = 0; i < 200; ++i) data += (data.empty() ? "" : " ") + hex({static_cast<uint8_t>(i)});
  ASSERT_EQ(transmit("FF D6 01 00 C8 " + data), "90 00");
  const Bytes back = bytes_of(transmit("FF B0 01 00 00"));
  ASSERT_EQ(back.size(), 258u);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(back[i], i) << "at offset " << i;
  EXPECT_EQ(hex({back[256], back[257]}), "90 00");
  EXPECT_EQ(transmit("FF B0 08 00 10"), "6B 00") << "past the card's 2048 bytes";
}

TEST_P(IfdhReader, MalformedPseudoApdusAreAnsweredWithoutReachingTheReader) {
  open("iic");
  power_up();
  ASSERT_EQ(transmit("FF A4 00 00 01 0B"), "90 00");
  const auto before = emulator->state().commands_received;
  EXPECT_EQ(transmit("FF A4 00 00 02 0B 0B"), "67 00");
  EXPECT_EQ(transmit("FF A4 01 00 01 0B"), "6B 00");
  EXPECT_EQ(transmit("FF B0 00 00"), "67 00") << "a read without Le";
  EXPECT_EQ(transmit("FF B0 00 00 01 AA 10"), "67 00") << "a read with data";
  EXPECT_EQ(transmit("FF D6 00 00 02 AA BB 02"), "67 00") << "a write with Le";
  EXPECT_EQ(transmit("FF 20 01 00 03 12 34 56"), "6B 00");
  EXPECT_EQ(transmit("FF F0 00 00"), "67 00") << "no logical command";
  EXPECT_EQ(transmit("FF B0 00 00 00 01 00"), "67 00") << "extended length";
  EXPECT_EQ(transmit("00 B0 00 00 10"), "6E 00") << "a memory card takes class FF only";
  EXPECT_EQ(emulator->state().commands_received, before);
}

TEST_P(IfdhReader, AnyLogicalCommandGoesThroughItsOwnForm) {
  open("demo-sle4442");
  power_up();
  ASSERT_EQ(transmit("FF A4 00 00 01 0A"), "90 00");
  // QXI_ReadProtect of LM2KS: the chances byte, then the code (zeros until presented).
  EXPECT_EQ(transmit("FF F0 00 00 01 0B 04"), "07 00 00 00 90 00");
  EXPECT_EQ(transmit("FF F0 00 00 01 03"), "6A 81") << "QXI_SetFuse is not served for this type";
}

TEST_P(IfdhReader, CardEventsWakeThePollingThreadAtOnce) {
  open();
  const auto poll = capability<PollFunction>(TAG_IFD_POLLING_THREAD_WITH_TIMEOUT);
  ASSERT_NE(poll, nullptr);
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_ICC_NOT_PRESENT);

  auto inserted = std::async(std::launch::async, [&] { return poll(kLun, 60000); });
  emulator->insert(kitesim::make_card("mcu-t0"));
  ASSERT_EQ(inserted.wait_for(5s), std::future_status::ready) << "the insertion did not end the wait";
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_ICC_PRESENT);

  auto removed = std::async(std::launch::async, [&] { return poll(kLun, 60000); });
  emulator->remove();
  ASSERT_EQ(removed.wait_for(5s), std::future_status::ready) << "the removal did not end the wait";
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_ICC_NOT_PRESENT);
}

TEST_P(IfdhReader, ACardSwappedBetweenTwoLooksIsReportedAsRemovedFirst) {
  open("mcu-t0");
  EXPECT_EQ(hex(power_up()), "3B 02 4B 54");
  emulator->remove();
  emulator->insert(kitesim::make_card("demo-sle4442"));
  ASSERT_TRUE(emulator->wait_for([](const kitesim::ReaderState& s) { return s.events_sent >= 3; }, 2s));
  const auto poll = capability<PollFunction>(TAG_IFD_POLLING_THREAD_WITH_TIMEOUT);
  RESPONSECODE first = IFD_ICC_PRESENT;
  for (int look = 0; look < 50 && first == IFD_ICC_PRESENT; ++look) {
    poll(kLun, 100);
    first = IFDHICCPresence(kLun);
  }
  EXPECT_EQ(first, IFD_ICC_NOT_PRESENT);
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_ICC_PRESENT);
  EXPECT_EQ(power_up().size(), 20u) << "the new card's storage-card answer to reset";
}

TEST_P(IfdhReader, TheStopFunctionEndsAPollingWait) {
  open();
  const auto poll = capability<PollFunction>(TAG_IFD_POLLING_THREAD_WITH_TIMEOUT);
  const auto stop = capability<StopFunction>(TAG_IFD_STOP_POLLING_THREAD);
  ASSERT_NE(stop, nullptr);
  auto waiting = std::async(std::launch::async, [&] { return poll(kLun, 60000); });
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(stop(kLun), IFD_SUCCESS);
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
}

TEST_P(IfdhReader, AReaderWhoseLineIsGoneAnswersNoSuchDevice) {
  open("mcu-t0");
  power_up();
  emulator.reset();
  EXPECT_EQ(transmit("80 EE 00 00 02"), "");
  EXPECT_EQ(last_result, IFD_NO_SUCH_DEVICE);
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_NO_SUCH_DEVICE);
}

TEST_P(IfdhReader, OneSlotAndFunctionsForThePollingThread) {
  open();
  UCHAR value[8] = {};
  DWORD length = sizeof value;
  ASSERT_EQ(IFDHGetCapabilities(kLun, TAG_IFD_SLOTS_NUMBER, &length, value), IFD_SUCCESS);
  EXPECT_EQ(value[0], 1);
  length = sizeof value;
  ASSERT_EQ(IFDHGetCapabilities(kLun, TAG_IFD_POLLING_THREAD_KILLABLE, &length, value), IFD_SUCCESS);
  EXPECT_EQ(value[0], 0) << "stopped through TAG_IFD_STOP_POLLING_THREAD";
  length = 0;
  EXPECT_EQ(IFDHGetCapabilities(kLun, TAG_IFD_SLOTS_NUMBER, &length, value), IFD_ERROR_INSUFFICIENT_BUFFER);
  length = sizeof value;
  EXPECT_EQ(IFDHGetCapabilities(kLun, 0x7777, &length, value), IFD_ERROR_TAG);
}

INSTANTIATE_TEST_SUITE_P(Transports, IfdhReader, ::testing::Values(Transport::Pty, Transport::Rfc2217), transport_name);

// Tests on one transport only.
class IfdhSingleReader : public IfdhReader {};

// A network serial port that comes back at the same address: the next presence check after it
// is back opens the reader again.
TEST_F(IfdhSingleReader, PcscdGoesOnWhenTheReaderComesBack) {
  open("mcu-t0", Transport::Rfc2217);
  const uint16_t port = rfc2217_port;
  emulator.reset();
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_NO_SUCH_DEVICE);

  emulator = std::make_unique<kitesim::Emulator>(kitesim::ReaderConfig{.model = kitesim::Model::KITEB, .rate = 9600});
  ASSERT_EQ(emulator->start_rfc2217(port), port);
  emulator->insert(kitesim::make_card("mcu-t0"));
  RESPONSECODE presence = IFD_NO_SUCH_DEVICE;
  for (int attempt = 0; attempt < 100 && presence == IFD_NO_SUCH_DEVICE; ++attempt) {
    std::this_thread::sleep_for(100ms);
    presence = IFDHICCPresence(kLun);
  }
  EXPECT_EQ(presence, IFD_ICC_PRESENT);
  power_up();
  EXPECT_EQ(transmit("80 EE 00 00 02"), "00 01 90 00");
}

// A KITEA sends no card events: the polling wait ends on its own soon, and the presence check
// that follows finds the card.
TEST_F(IfdhSingleReader, AReaderWithoutCardEventsIsLookedAtOften) {
  emulator = std::make_unique<kitesim::Emulator>(kitesim::ReaderConfig{.model = kitesim::Model::KITEA, .rate = 9600});
  device = emulator->start_pty() + ":KITEA";
  ASSERT_EQ(IFDHCreateChannelByName(kLun, device.data()), IFD_SUCCESS);
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_ICC_NOT_PRESENT);
  emulator->insert(kitesim::make_card("mcu-t0"));
  const auto poll = capability<PollFunction>(TAG_IFD_POLLING_THREAD_WITH_TIMEOUT);
  auto waiting = std::async(std::launch::async, [&] { return poll(kLun, 60000); });
  ASSERT_EQ(waiting.wait_for(3s), std::future_status::ready);
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_ICC_PRESENT);
  EXPECT_EQ(hex(power_up()), "3B 02 4B 54");
  EXPECT_EQ(transmit("80 EE 00 00 02"), "00 01 90 00");
}

TEST(IfdhChannel, NamesThatAreNoReaderAreRefused) {
  char bad_type[] = "/dev/null:KITEZ";
  EXPECT_EQ(IFDHCreateChannelByName(kLun, bad_type), IFD_COMMUNICATION_ERROR);
  char nothing_there[] = "/nonexistent/ttyUSB9:KITEB_9600";
  EXPECT_EQ(IFDHCreateChannelByName(kLun, nothing_there), IFD_NO_SUCH_DEVICE);
  EXPECT_EQ(IFDHICCPresence(kLun), IFD_COMMUNICATION_ERROR) << "no channel was left open";
  EXPECT_EQ(IFDHICCPresence(0x00200000), IFD_COMMUNICATION_ERROR) << "a Lun past the table";
  EXPECT_EQ(IFDHICCPresence(0x00000001), IFD_COMMUNICATION_ERROR) << "a second slot";
}

}  // namespace
