// The pure pieces of pelorus: the answer-to-reset parse, pcsc-tools' list, scriptor scripts,
// APDU cases, memory layouts and differences.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <fstream>
#include <sstream>

#include "atr.h"
#include "command_apdu.h"
#include "failure.h"
#include "memory_layout.h"
#include "script.h"
#include "smartcard_list.h"

namespace pelorus {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(AtrParse, InterfaceBytesProtocolsHistoricalAndCheckByte) {
  // TA1, TD1 and TD2 (both T=1), TA3 and TB3, 15 historical bytes and TCK: a common T=1 answer.
  const Bytes bytes = *parse_hex("3B 9F 95 81 31 FE 9F 00 66 46 53 05 10 00 11 71 DF 00 00 00 6A 82 EA");
  const auto atr = parse_atr(bytes);
  ASSERT_TRUE(atr);
  ASSERT_GE(atr->interface_bytes.size(), 4u);
  EXPECT_EQ(atr->interface_bytes[0].name, "TA1");
  EXPECT_EQ(atr->interface_bytes[1].name, "TD1");
  EXPECT_THAT(atr->protocols, ElementsAre(1));
  EXPECT_EQ(atr->historical.size(), 15u);
  ASSERT_TRUE(atr->tck);
  EXPECT_TRUE(atr->tck_expected);
  EXPECT_TRUE(atr->tck_correct);
  EXPECT_EQ(atr->missing, 0u);
  EXPECT_TRUE(atr->extra.empty());
}

TEST(AtrParse, TOnlyHasNoCheckByte) {
  const auto atr = parse_atr(*parse_hex("3B 02 4B 54"));
  ASSERT_TRUE(atr);
  EXPECT_THAT(atr->protocols, ElementsAre(0));
  EXPECT_FALSE(atr->tck_expected);
  EXPECT_EQ(hex_text(atr->historical), "4B 54");
  const auto lines = explain_atr(*atr);
  EXPECT_THAT(lines, testing::Contains("TCK: none (T=0 only)"));
}

TEST(AtrParse, AWrongCheckByteIsCalledWrong) {
  const auto atr = parse_atr(*parse_hex("3B 82 01 4B 54 9D"));
  ASSERT_TRUE(atr && atr->tck);
  EXPECT_FALSE(atr->tck_correct);
  EXPECT_THAT(explain_atr(*atr), testing::Contains(HasSubstr("WRONG")));
}

TEST(AtrParse, ShortAndOverlongAnswersAreDescribedNotReadPast) {
  EXPECT_FALSE(parse_atr(*parse_hex("3B")));
  const auto cut = parse_atr(*parse_hex("3B F5 11"));  // announces TA1 TB1 TC1 TD1 and 5 historical bytes
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->interface_bytes.size(), 1u);
  EXPECT_EQ(cut->missing, 8u);
  const auto longer = parse_atr(*parse_hex("3B 00 AA BB"));
  ASSERT_TRUE(longer);
  EXPECT_EQ(hex_text(longer->extra), "AA BB");
}

TEST(SmartcardList, WildcardsMatchAndEveryMatchingEntryCounts) {
  std::istringstream list("# comment\n3B 02 14 ..\n\tFirst\n\tFirst, line 2\n\n3B 02 .. 50\n\tSecond\n\n3B 02 14 50 11\n\tLonger\n");
  EXPECT_THAT(smartcard_names(list, *parse_hex("3B 02 14 50")), ElementsAre("First", "First, line 2", "Second"));
}

TEST(SmartcardList, TheInstalledListOfPcscTools) {
  std::ifstream list(kSmartcardListPath);
  if (!list) GTEST_SKIP() << "pcsc-tools is not installed";
  // An entry of the list itself: the first answer in it, wildcards filled in with zeros.
  std::string line;
  while (std::getline(list, line) && (line.empty() || line[0] == '#' || line[0] == '\t')) {
  }
  for (char& c : line)
    if (c == '.') c = '0';
  const Bytes atr = *parse_hex(line);
  list.clear();
  list.seekg(0);
  EXPECT_FALSE(smartcard_names(list, atr).empty()) << line;
}

TEST(ScriptParse, TheFormsOfScriptor) {
  std::istringstream script(
      "# reset the card\nreset\n\nA0 A4 00 00 02 3F 00\n# Get Response\nA0C0000017\n"
      "00 A4 04 00 \\\n07 A0 00 00 00 03 10 10\nEXIT\nA0 A4 00 00 02 7F 10\n");
  const auto steps = parse_script(script);
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0].kind, ScriptStep::Kind::reset);
  EXPECT_EQ(hex_text(steps[1].apdu), "A0 A4 00 00 02 3F 00");
  EXPECT_EQ(hex_text(steps[2].apdu), "A0 C0 00 00 17");
  EXPECT_EQ(hex_text(steps[3].apdu), "00 A4 04 00 07 A0 00 00 00 03 10 10");
  EXPECT_EQ(steps[3].line, 7);
  EXPECT_FALSE(steps[1].expect);
}

TEST(ScriptParse, ExpectLinesBelongToTheCommandBefore) {
  std::istringstream script("00B0000002\n# expect 01 02 90 00\n# an ordinary comment\n00A4000000\n#expect 6A82\n");
  const auto steps = parse_script(script);
  ASSERT_EQ(steps.size(), 2u);
  ASSERT_TRUE(steps[0].expect && steps[1].expect);
  EXPECT_EQ(hex_text(steps[0].expect->answer), "01 02 90 00");
  EXPECT_EQ(hex_text(steps[1].expect->answer), "6A 82");
  EXPECT_EQ(steps[1].expect->line, 5);
}

TEST(ScriptParse, BadTextNamesItsLine) {
  const auto failure_of = [](const std::string& text) {
    std::istringstream script(text);
    try {
      parse_script(script);
    } catch (const Failure& f) {
      EXPECT_EQ(f.exit_code(), kExitUsage);
      return std::string(f.what());
    }
    return std::string("no failure");
  };
  EXPECT_THAT(failure_of("00A4\n00 A4 0\n"), HasSubstr("line 2"));
  EXPECT_THAT(failure_of("# expect 90 00\n"), HasSubstr("must follow a command"));
  EXPECT_THAT(failure_of("reset\n# expect 90 00\n"), HasSubstr("must follow a command"));
  EXPECT_THAT(failure_of("00A4000000\n# expect 90\n"), HasSubstr("SW1 SW2"));
  EXPECT_THAT(failure_of("00A40000 \\\n"), HasSubstr("past the end"));
}

TEST(ScriptAnswer, SixteenBytesToALineAsScriptorBreaksThem) {
  Bytes answer(18);
  EXPECT_EQ(scriptor_answer_text(answer),
            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n00 00");
  EXPECT_EQ(scriptor_answer_text(Bytes{0x90, 0x00}), "90 00");
}

TEST(CommandApdu, TheFourCases) {
  const auto record = [](const std::string& hex) { return std::get<QX_APDU>(split_apdu(*parse_hex(hex))); };
  const QX_APDU case1 = record("00A40000");
  EXPECT_EQ(case1.Lc, 0);
  EXPECT_EQ(case1.Le, 0);
  EXPECT_EQ(record("00B0000000").Le, 256);
  const QX_APDU case3 = record("00A4000002 3F00");
  EXPECT_EQ(case3.Lc, 2);
  EXPECT_EQ(case3.DataIn[1], 0x00);
  EXPECT_EQ(case3.Le, 0);
  const QX_APDU case4 = record("00A4040002 A000 10");
  EXPECT_EQ(case4.Lc, 2);
  EXPECT_EQ(case4.Le, 16);
  EXPECT_TRUE(std::holds_alternative<std::string>(split_apdu(*parse_hex("00A4"))));
  EXPECT_TRUE(std::holds_alternative<std::string>(split_apdu(*parse_hex("00A4000003 3F00"))));
  EXPECT_TRUE(std::holds_alternative<std::string>(split_apdu(*parse_hex("00A4000000 3F00"))));
}

TEST(Hex, WithAndWithoutSpaces) {
  EXPECT_EQ(hex_text(*parse_hex("00a4 04\t00")), "00 A4 04 00");
  EXPECT_FALSE(parse_hex("0 0"));
  EXPECT_FALSE(parse_hex("123"));
  EXPECT_FALSE(parse_hex("zz"));
}

TEST(MemoryLayoutOf, ChipsAndCardTypesFromTheChipTable) {
  const auto sle4442 = std::get<MemoryLayout>(memory_layout("sle4442"));
  EXPECT_EQ(sle4442.card_type, 10);
  EXPECT_EQ(sle4442.size(), 256u);
  const auto x24645 = std::get<MemoryLayout>(memory_layout("X24645"));
  EXPECT_EQ(x24645.address_of(0), 0xC000);
  const auto x76f128 = std::get<MemoryLayout>(memory_layout("X76F128"));
  EXPECT_EQ(x76f128.size(), 16384u + 64u);
  EXPECT_EQ(x76f128.address_of(16384), 0x8000);
  const auto lm104 = std::get<MemoryLayout>(memory_layout("LM104"));
  EXPECT_EQ(lm104.size(), 13u);
  EXPECT_THAT(std::get<std::string>(memory_layout("IIC")), HasSubstr("name the chip"));
  EXPECT_THAT(std::get<std::string>(memory_layout("T0")), HasSubstr("no memory chip"));
  EXPECT_THAT(std::get<std::string>(memory_layout("XIIC")), HasSubstr("no chip of card type XIIC"));
}

TEST(Differences, RunsAndWholeWords) {
  const Bytes a{0, 1, 2, 3, 4, 5, 6, 7};
  Bytes b = a;
  b[1] = 9;
  b[2] = 9;
  b[7] = 9;
  const auto bytes = differences(a, b);
  ASSERT_EQ(bytes.size(), 2u);
  EXPECT_EQ(bytes[0].offset, 1u);
  EXPECT_EQ(bytes[0].length, 2u);
  EXPECT_EQ(bytes[1].offset, 7u);
  const auto words = differences(a, b, 2);
  ASSERT_EQ(words.size(), 2u);
  EXPECT_EQ(words[0].offset, 0u);
  EXPECT_EQ(words[0].length, 4u);
  EXPECT_EQ(words[1].offset, 6u);
  EXPECT_EQ(words[1].length, 2u);
  EXPECT_TRUE(differences(a, a).empty());
}

}  // namespace
}  // namespace pelorus
