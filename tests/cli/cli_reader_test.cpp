// pelorus info, atr, apdu, script and watch against the emulated reader.
#include <signal.h>

#include "emulated_reader.h"

namespace cli_test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using PelorusReader = EmulatedReader;

TEST_F(PelorusReader, InfoShowsFirmwareRateCardAndTheSupportedTypes) {
  insert("mcu-t0");
  const Outcome o = pelorus({"info"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, HasSubstr("KITEBT0310"));
  EXPECT_THAT(o.out, HasSubstr("9600 bit/s"));
  EXPECT_THAT(o.out, HasSubstr("inserted"));
  EXPECT_THAT(o.out, HasSubstr("BFF7"));
  EXPECT_THAT(o.out, HasSubstr("X76F100"));
  EXPECT_THAT(o.out, HasSubstr("5.01"));
}

TEST_F(PelorusReader, AtrIsExplainedWithItsCheckByte) {
  insert("mcu-t1");
  const Outcome o = pelorus({"atr"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, HasSubstr("Card type: T1"));
  EXPECT_THAT(o.out, HasSubstr("ATR: 3B 82 01 4B 54 9C"));
  EXPECT_THAT(o.out, HasSubstr("TD1 = 01"));
  EXPECT_THAT(o.out, HasSubstr("Protocols: T=1"));
  EXPECT_THAT(o.out, HasSubstr("TCK = 9C  correct"));
}

TEST_F(PelorusReader, AtrNamesTheCardFromTheList) {
  // An answer that pcsc-tools' list knows, set on the emulated card.
  insert("mcu-t0", {.atr = Bytes{0x3B, 0x02, 0x14, 0x50}});
  const std::string list = path("list.txt");
  write_text(list, "# a list\n3B 02 14 ..\n\tA card of the test\n\tsecond line\n\n3B 03 .. .. ..\n\tanother\n");
  const Outcome o = pelorus({"atr", "--list", list});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, HasSubstr("Card name: A card of the test\nCard name: second line\n"));
  EXPECT_THAT(o.out, Not(HasSubstr("another")));
}

TEST_F(PelorusReader, AtrSaysWhenTheListIsNotInstalled) {
  insert("mcu-t0");
  const Outcome o = pelorus({"atr", "--list", path("missing.txt")});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, HasSubstr("is not installed (Debian package pcsc-tools)"));
}

TEST_F(PelorusReader, AtrOfAMemoryCardSaysItHasNone) {
  insert("sle4404");
  const Outcome o = pelorus({"atr", "--card", "SLE4404"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, HasSubstr("ATR: none"));
}

TEST_F(PelorusReader, ApduPrintsDataAndStatusWithMeaning) {
  insert("mcu-t0");
  const Outcome o = pelorus({"apdu", "--card", "T0", "00A4000002 0101", "00 B0 00 00 04", "00CA000000"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, HasSubstr("> 00 A4 00 00 02 01 01\n< 90 00 : Normal processing.\n"));
  EXPECT_THAT(o.out, HasSubstr("> 00 B0 00 00 04\n< 00 01 02 03 90 00 : Normal processing.\n"));
  EXPECT_THAT(o.out, HasSubstr("< 6D 00 : Instruction code not supported or invalid.\n"));
}

TEST_F(PelorusReader, ApduOfTheLongestAnswerBreaksItsLinesAsScriptorDoes) {
  insert("mcu-t0");
  const Outcome o = pelorus({"apdu", "80EE000000"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, HasSubstr("< 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n10 11"));
  EXPECT_THAT(o.out, HasSubstr("FE FF \n90 00 : Normal processing."));
}

TEST_F(PelorusReader, FailuresNameTheLibraryCodeAndItsMeaning) {
  const Outcome no_card = pelorus({"apdu", "00A4000002 3F00"});
  EXPECT_EQ(no_card.status, 3);
  EXPECT_THAT(no_card.err, HasSubstr("error -1002 (QX_ERR_STATUS_6002): no card in the reader"));

  insert("mcu-t0");
  const auto sent = emulator->state().commands_received;
  const Outcome bad_hex = pelorus({"apdu", "00A4 0G"});
  EXPECT_EQ(bad_hex.status, 2);
  EXPECT_THAT(bad_hex.err, HasSubstr("not hex bytes"));
  const Outcome bad_lc = pelorus({"apdu", "00A4000005 3F00"});
  EXPECT_EQ(bad_lc.status, 2);
  EXPECT_THAT(bad_lc.err, HasSubstr("Lc says 5 data bytes, but 2 bytes follow it"));
  EXPECT_EQ(emulator->state().commands_received, sent) << "nothing is sent when an APDU is malformed";
}

TEST_F(PelorusReader, NoReaderIsATimeoutWithItsName) {
  ::setenv("PELORUS32_COM1", path("no-such-tty").c_str(), 1);
  const Outcome o = pelorus({"info"});
  EXPECT_EQ(o.status, 3);
  EXPECT_THAT(o.err, HasSubstr("error -1081 (QX_ERR_TIMEOUT)"));
}

// The form of pcsc-tools' own example: a reset, commands with spaces and without, comments.
constexpr const char* kScriptorScript =
    "# reset the card\n"
    "reset\n"
    "\n"
    "# Select file 0101\n"
    "00 A4 00 00 02 01 01\n"
    "# expect 90 00\n"
    "\n"
    "# Read its first bytes\n"
    "00B0000004\n"
    "# expect 00 01 02 03 90 00\n"
    "00 B0 00 00 \\\n"
    "08\n"
    "# expect 00 01 02 03 04 05 06 07 90 00\n"
    "exit\n"
    "00 A4 00 00 02 3F 00\n";

TEST_F(PelorusReader, ScriptRunsAScriptorScriptAndPrintsLikeScriptor) {
  insert("mcu-t0");
  const std::string file = path("read.script");
  write_text(file, kScriptorScript);
  const Outcome o = pelorus({"script", file});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "Using T=0 protocol\n"
            "> RESET\n"
            "< OK: 3B 02 4B 54\n"
            "> 00 A4 00 00 02 01 01\n"
            "< 90 00 : Normal processing.\n"
            "> 00 B0 00 00 04\n"
            "< 00 01 02 03 90 00 : Normal processing.\n"
            "> 00 B0 00 00 08\n"
            "< 00 01 02 03 04 05 06 07 90 00 : Normal processing.\n");
}

TEST_F(PelorusReader, ScriptExpectChecksAnswersAndFailsWithExitOne) {
  insert("mcu-t0");
  const std::string file = path("read.script");
  write_text(file, kScriptorScript);
  const Outcome passed = pelorus({"script", "--expect", file});
  EXPECT_EQ(passed.status, 0) << passed.out << passed.err;
  EXPECT_THAT(passed.out, HasSubstr("# 3 of 3 checks passed"));

  const Outcome failed = pelorus({"script", "--expect", "-"}, "00B0000002\n# expect 00 01 90 00\n");
  EXPECT_EQ(failed.status, 1);
  EXPECT_THAT(failed.out, HasSubstr("# expect FAILED (line 2): expected 00 01 90 00, got 69 86"));
  EXPECT_THAT(failed.out, HasSubstr("# 0 of 1 checks passed"));
}

TEST_F(PelorusReader, ScriptWithBadTextSendsNothing) {
  insert("mcu-t0");
  const Outcome o = pelorus({"script", "-"}, "00A4000002 3F00\n00 ZZ\n");
  EXPECT_EQ(o.status, 2);
  EXPECT_THAT(o.err, HasSubstr("script line 2"));
  EXPECT_EQ(emulator->state().commands_received, 0u);
}

TEST_F(PelorusReader, WatchPrintsInsertionsAndRemovalsUntilInterrupted) {
  Program watch({"watch", "--reader", "KITEB_9600"});
  ASSERT_TRUE(watch.wait_for_output("watching COM1", std::chrono::seconds(20)));
  insert("mcu-t0");
  ASSERT_TRUE(watch.wait_for_output("card inserted", std::chrono::seconds(10)));
  emulator->remove();
  ASSERT_TRUE(watch.wait_for_output("card removed", std::chrono::seconds(10)));
  watch.signal(SIGINT);
  const Outcome o = watch.finish();
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_LT(o.out.find("card inserted"), o.out.find("card removed"));
}

TEST(PelorusHelp, EveryCommandSaysWhatItDoes) {
  const Outcome top = run({"--help"});
  EXPECT_EQ(top.status, 0);
  EXPECT_THAT(top.out, HasSubstr("Exit status:"));
  for (const char* command : {"info", "atr", "apdu", "script", "watch", "dump", "restore", "diff"}) {
    const Outcome o = run({command, "--help"});
    EXPECT_EQ(o.status, 0) << command;
    EXPECT_THAT(o.out, HasSubstr("--port")) << command;
  }
  EXPECT_EQ(run({"info", "--port", "COM9"}).status, 2);
  EXPECT_EQ(run({}).status, 2);
}

}  // namespace
}  // namespace cli_test
