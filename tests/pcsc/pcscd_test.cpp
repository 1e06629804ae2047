// The real pcscd loads the handler and serves the emulated reader to PC/SC applications no one
// here wrote: pyscard, pcsc_scan, opensc-tool and scriptor.
#include <fstream>
#include <thread>

#include "kitesim/card.h"
#include "pcscd_harness.h"

namespace {

using namespace pcsc_test;
using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

TEST_P(PcscdReader, PyscardListsTheReaderAndExchangesApdus) {
  start("mcu-t0");
  const auto listed = pyscard({"readers"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(lines(listed.out), Lines{kReaderName});

  const auto exchanged = pyscard({"transmit", "00 A4 00 00 02 2F 00", "00 B0 00 00 04", "80 EE 00 00 03 01 02 03 03"});
  ASSERT_EQ(exchanged.status, 0) << exchanged.err;
  EXPECT_EQ(lines(exchanged.out), (Lines{"90 00", "4B 49 54 45 90 00", "01 02 03 90 00"}));
}

TEST_P(PcscdReader, ACardMonitorSeesInsertionAndRemoval) {
  start();
  std::vector<std::string> args{PYSCARD_CLIENT, "monitor"};
  test_support::ChildProcess monitor(SYSTEM_PYTHON3, args);
  ASSERT_TRUE(monitor.wait_for_output("monitoring", 20s)) << monitor.so_far().err;
  std::this_thread::sleep_for(500ms);  // the monitor's first look at the readers
  emulator->insert(kitesim::make_card("mcu-t0"));
  ASSERT_TRUE(monitor.wait_for_output("inserted", 10s)) << monitor.so_far().err;
  emulator->remove();
  const auto outcome = monitor.finish_within(15s);
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(lines(outcome.out), (Lines{"monitoring", "inserted 3B 02 4B 54", "removed"}));
}

TEST_P(PcscdReader, PcscScanShowsTheReaderAndItsCard) {
  start("mcu-t0");
  const auto scan = client("/usr/bin/pcsc_scan", {"-t", "2"});
  EXPECT_NE(scan.out.find(kReaderName), std::string::npos) << scan.out << scan.err;
  EXPECT_NE(scan.out.find("Card inserted"), std::string::npos) << scan.out;
  EXPECT_NE(scan.out.find("3B 02 4B 54"), std::string::npos) << scan.out;
}

TEST_P(PcscdReader, OpenscToolSendsAnApdu) {
  start("mcu-t0");
  const auto sent = client("/usr/bin/opensc-tool", {"--reader", "0", "--send-apdu", "80:EE:00:00:04"});
  ASSERT_EQ(sent.status, 0) << sent.out << sent.err;
  EXPECT_NE(sent.out.find("SW1=0x90, SW2=0x00"), std::string::npos) << sent.out;
  EXPECT_NE(sent.out.find("00 01 02 03"), std::string::npos) << sent.out;
}

TEST_P(PcscdReader, ScriptorRunsAScript) {
  start("mcu-t0");
  const auto script = folder / "script.txt";
  std::ofstream(script) << "# select, then read the file's first bytes\n00 A4 00 00 02 2F 00\n00 B0 00 00 04\n";
  const auto run = client("/usr/bin/scriptor", {"-r", kReaderName, script.string()});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("< 90 00"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("< 4B 49 54 45 90 00"), std::string::npos) << run.out;
}

TEST_P(PcscdReader, AnSle4442TypeCardIsSelectedVerifiedWrittenAndReadBack) {
  start("demo-sle4442");
  const auto session = pyscard({"transmit", "FF B0 00 20 04", "FF A4 00 00 01 0A", "FF 20 00 00 03 00 00 00",
                                "FF 20 00 00 03 12 34 56", "FF D6 00 60 03 0A 0B 0C", "FF B0 00 60 03"});
  ASSERT_EQ(session.status, 0) << session.err;
  EXPECT_EQ(lines(session.out), (Lines{"69 86", "90 00", "63 C2", "90 00", "90 00", "0A 0B 0C 90 00"}));
}

TEST_P(PcscdReader, AnI2cCardIsWrittenAndReadBack) {
  start("iic");
  const auto session = pyscard({"transmit", "FF A4 00 00 01 0B", "FF D6 00 10 02 CA FE", "FF B0 00 10 02"});
  ASSERT_EQ(session.status, 0) << session.err;
  EXPECT_EQ(lines(session.out), (Lines{"90 00", "90 00", "CA FE 90 00"}));
}

TEST_P(PcscdReader, AMemoryCardServesItsPseudoApdusInDirectModeToo) {
  start("iic");
  const auto session = pyscard({"control", "FF A4 00 00 01 0B", "FF D6 00 00 01 5A", "FF B0 00 00 01"});
  ASSERT_EQ(session.status, 0) << session.err;
  EXPECT_EQ(lines(session.out), (Lines{"90 00", "90 00", "5A 90 00"}));
}

// A network serial port that drops and comes back at the same address: pcscd reports the reader
// in error meanwhile and serves it again afterwards, without a restart.
class PcscdNetworkReader : public PcscdReader {};

TEST_F(PcscdNetworkReader, PcscdServesTheReaderAgainOnceItIsBack) {
  start("mcu-t0", Transport::Rfc2217);
  ASSERT_EQ(pyscard({"transmit", "80 EE 00 00 02"}).out, "00 01 90 00\n");
  emulator.reset();
  EXPECT_NE(pyscard({"transmit", "80 EE 00 00 02"}).status, 0) << "the reader is gone";

  emulator = std::make_unique<kitesim::Emulator>(kitesim::ReaderConfig{.model = kitesim::Model::KITEB, .rate = 9600});
  ASSERT_EQ(emulator->start_rfc2217(rfc2217_port), rfc2217_port);
  emulator->insert(kitesim::make_card("mcu-t0"));
  test_support::Outcome again;
  for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
    again = pyscard({"transmit", "80 EE 00 00 02"});
    if (again.status == 0) break;
    std::this_thread::sleep_for(200ms);
  }
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "00 01 90 00\n");
}

INSTANTIATE_TEST_SUITE_P(Transports, PcscdReader, ::testing::Values(Transport::Pty, Transport::Rfc2217), transport_name);

}  // namespace
