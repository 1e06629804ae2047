// The VELA1 card through the card interface. The utility's core drives the same cards end to end
// (tests/utility_core); here are the cases it never sends: wrong lengths, refused states,
// option bits, the life cycle, the memory file and malformed commands.
#include <gtest/gtest.h>

#include <fstream>

#include "kitesim/card.h"
#include "socket_client.h"
#include "vela1_terminal.h"

namespace kitesim {
namespace {

using namespace testing;

constexpr char code[] = "58203716";
constexpr std::uint8_t ac1 = 1, pin = 6, ic = 7;
constexpr std::uint8_t credit = 0xE2, debit = 0xE6, revoke = 0xE7;

Bytes text(std::string_view value, std::size_t length) {
  Bytes out(value.begin(), value.end());
  out.resize(length);
  return out;
}

TEST(Vela1Card, AnswersToResetAsT0AndKnowsOnlyItsCommands) {
  auto card = make_card("vela1");
  const CardReply reset = card->power_up();
  EXPECT_EQ(reset.status, sw::ok);
  ASSERT_EQ(reset.data.size(), 19u);
  EXPECT_EQ(Bytes(reset.data.begin(), reset.data.begin() + 6), (Bytes{0x3B, 0xBE, 0x11, 0x00, 0x00, 0x41}));
  EXPECT_TRUE(card->answers_to(0x00));
  EXPECT_FALSE(card->answers_to(0x02));
  Terminal t(*card);
  EXPECT_EQ(status_of(card->apdu({0x00, 0xA4, 0, 0, {0xFF, 0x02}, 256}).value()), 0x6E00);
  EXPECT_EQ(status_of(t.send(0xB0, 0)), 0x6D00);
}

TEST(Vela1Files, RecordsAreBoundedBySelectionNumberAndLength) {
  auto card = make_card("vela1-nopurse");
  Terminal t(*card);
  EXPECT_EQ(status_of(t.read(0, 8)), 0x6986) << "nothing selected after a reset";
  EXPECT_EQ(status_of(t.send(0xA4, 0, {0x20})), 0x6700);
  ASSERT_EQ(t.select(0x2001), 0x9000);
  EXPECT_EQ(t.write(1, text("WRITTEN", 8)), 0x9000);
  EXPECT_EQ(t.read(1, 8).data, text("WRITTEN", 8));
  EXPECT_EQ(status_of(t.read(2, 8)), 0x6A83);
  EXPECT_EQ(status_of(t.read(0, 7)), 0x6700);
  EXPECT_EQ(status_of(t.read(0, 256)), 0x6700);
  EXPECT_EQ(t.write(0, text("TOO LONG!", 9)), 0x6700);
  EXPECT_EQ(t.select(0xFF05), 0x6A82) << "no purse, no account file";
  EXPECT_EQ(status_of(t.read(0, 8)), 0x6986) << "a failed select must not leave the file before selected";
}

TEST(Vela1Access, AttributesAskForTheirCodesUntilTheNextReset) {
  auto card = make_card("vela1");
  Terminal t(*card);
  t.select(0x1001);  // free to read, PIN to write
  EXPECT_EQ(status_of(t.read(0, 16)), 0x9000);
  EXPECT_EQ(t.write(0, Bytes(16)), 0x6982);
  ASSERT_EQ(t.submit(pin, code), 0x9000);
  EXPECT_EQ(t.write(0, Bytes(16)), 0x9000);
  t.select(0x1003);
  EXPECT_EQ(status_of(t.read(0, 8)), 0x6982) << "the PIN does not open an AC1 file";
  ASSERT_EQ(t.submit(ic, code), 0x9000);
  t.select(0xFF00);
  EXPECT_EQ(t.write(0, Bytes(8)), 0x6982) << "AC0: never, whatever was presented";
  card->power_up();
  t.select(0x1001);
  EXPECT_EQ(t.write(0, Bytes(16)), 0x6982);
}

TEST(Vela1Codes, WrongCodesCountDownAndLockForGood) {
  auto card = make_card("vela1");
  Terminal t(*card);
  EXPECT_EQ(t.submit(pin, "1"), 0x63C2);
  EXPECT_EQ(t.submit(pin, code), 0x9000);
  EXPECT_EQ(t.submit(pin, "1"), 0x63C2) << "the right code gave the attempts back";
  t.select(0x1002);
  EXPECT_EQ(status_of(t.read(0, 8)), 0x6982) << "a wrong code withdraws the one presented before";
  EXPECT_EQ(t.submit(pin, "1"), 0x63C1);
  EXPECT_EQ(t.submit(pin, "1"), 0x63C0);
  EXPECT_EQ(t.submit(pin, code), 0x6983);
  card->power_up();
  EXPECT_EQ(t.submit(pin, code), 0x6983);
  EXPECT_EQ(t.submit(ac1, code), 0x9000) << "each code has its own counter";
}

TEST(Vela1Codes, EachReferenceHasItsRecordAndOnlyOneToSevenExist) {
  vela1::FileContents files = vela1::demo_card();
  for (std::uint8_t r = 1; r <= 7; ++r) files = demo_with(0xFF03, 8, r, text("CODE" + std::to_string(r), 8), files);
  Vela1Card card("vela1", files);
  Terminal t(card);
  for (std::uint8_t r = 1; r <= 7; ++r) {
    EXPECT_EQ(t.submit(r, "CODE" + std::to_string(r % 7 + 1)), 0x63C2) << int(r);
    EXPECT_EQ(t.submit(r, "CODE" + std::to_string(r)), 0x9000) << int(r);
  }
  EXPECT_EQ(t.submit(0, code), 0x6A86);
  EXPECT_EQ(t.submit(8, code), 0x6A86);
  EXPECT_EQ(status_of(t.send(0x20, pin, text("CODE6", 7))), 0x6700);
}

TEST(Vela1Codes, EncipheredOnlyWithTheirBitAndAnAuthenticationSinceReset) {
  auto card = make_card("vela1");  // security option register C0
  Terminal t(*card);
  ASSERT_FALSE(t.authenticate(code, "WRONG-KT"));
  EXPECT_EQ(t.submit(pin, code), 0x9000) << "a failed authentication leaves codes plain";
  ASSERT_TRUE(t.authenticate(code, code));
  EXPECT_EQ(t.submit(pin, code), 0x63C2);
  EXPECT_EQ(t.submit_enciphered(pin, code), 0x9000);
  EXPECT_EQ(t.submit(ac1, code), 0x9000) << "AC1's bit is clear";
  card->power_up();
  EXPECT_EQ(t.submit(ic, code), 0x9000);
}

TEST(Vela1Authentication, CardAndTerminalAgreeOnlyWithBothKeys) {
  const auto files = demo_with(0xFF03, 8, 8, text("TERM-KEY", 8), demo_with(0xFF03, 8, 0, text("CARD-KEY", 8)));
  for (auto [kc, kt, right] : {std::tuple{"CARD-KEY", "TERM-KEY", true}, {"TERM-KEY", "CARD-KEY", false},
                               {"WRONG-KC", "TERM-KEY", false}, {"CARD-KEY", "WRONG-KT", false}}) {
    Vela1Card card("vela1", files);
    Terminal t(card);
    EXPECT_EQ(t.authenticate(kc, kt), right) << kc << " " << kt;
    EXPECT_EQ(t.submit_enciphered(ic, code) == 0x9000, right) << kc << " " << kt;
  }
}

TEST(Vela1Authentication, EachChallengeServesOneAuthenticate) {
  auto card = make_card("vela1");
  Terminal t(*card);
  EXPECT_EQ(status_of(t.send(0x82, 0, Bytes(16))), 0x6986);
  EXPECT_EQ(status_of(t.send(0x84, 0, {}, 4)), 0x6700);
  EXPECT_NE(t.send(0x84, 0, {}, 8).data, t.send(0x84, 0, {}, 8).data);
  EXPECT_EQ(status_of(t.send(0x82, 0, Bytes(15))), 0x6700);
  EXPECT_EQ(status_of(t.send(0x82, 0, Bytes(16))), 0x6108);
  EXPECT_EQ(status_of(t.send(0x82, 0, Bytes(16))), 0x6986);
}

TEST(Vela1Inquiry, ResponseWaitsForTheRightLengthAndOnlyForTheNextCommand) {
  auto card = make_card("vela1");
  Terminal t(*card);
  EXPECT_EQ(status_of(t.send(0xC0, 0, {}, 25)), 0x6986);
  EXPECT_EQ(status_of(t.send(0xE1, 1, {0, 0, 0})), 0x6700);
  ASSERT_EQ(status_of(t.send(0xE1, 1, {0, 0, 0, 0})), 0x6119);
  EXPECT_EQ(status_of(t.send(0xC0, 0, {}, 8)), 0x6700);
  EXPECT_EQ(t.send(0xC0, 0, {}, 25).data.size(), 25u);
  ASSERT_EQ(status_of(t.send(0xE1, 1, {0, 0, 0, 0})), 0x6119);
  t.select(0x1001);
  EXPECT_EQ(status_of(t.send(0xC0, 0, {}, 25)), 0x6986);
  auto no_purse = make_card("vela1-nopurse");
  EXPECT_EQ(status_of(Terminal(*no_purse).send(0xE1, 1, {0, 0, 0, 0})), 0x6A82);
}

TEST(Vela1Purse, MacCoversEveryFieldAndFitsOnce) {
  Vela1Card card("vela1", demo_with(0xFF02, 4, 0, {0x29}));  // no authentication needed
  Terminal t(card);
  const Bytes data = t.transaction_data(credit, code, 1, "REF1", 1);
  for (std::size_t i = 0; i < data.size(); ++i) {
    Bytes changed = data;
    changed[i] ^= 0x01;
    EXPECT_EQ(status_of(t.send(credit, 0, changed)), 0x6988) << "byte " << i;
  }
  EXPECT_EQ(t.transaction(credit, code, 1, "REF1", 2), 0x6988) << "n is the counter plus one";
  EXPECT_EQ(status_of(t.send(credit, 0, data)), 0x9000);
  EXPECT_EQ(status_of(t.send(credit, 0, data)), 0x6988) << "the counter moved on";
  EXPECT_EQ(status_of(t.send(credit, 0, Bytes(10))), 0x6700);
}

TEST(Vela1Purse, RevokeGivesTheLastDebitBackOnceAndOnlyRightAfterIt) {
  Vela1Card card("vela1", demo_with(0xFF02, 4, 0, {0x29}));
  Terminal t(card);
  EXPECT_EQ(t.transaction(revoke, code, 1000, "", 1), 0x6986) << "no debit yet";
  ASSERT_EQ(t.transaction(debit, code, 300, "DB01", 1), 0x9000);
  // The MAC covers the balance the revoke leads to and the debit's reference.
  EXPECT_EQ(t.transaction(revoke, code, 700, "DB01", 2), 0x6988);
  EXPECT_EQ(t.transaction(revoke, code, 1000, "XXXX", 2), 0x6988);
  ASSERT_EQ(t.transaction(revoke, code, 1000, "DB01", 2), 0x9000);
  const Bytes account = t.inquire();
  EXPECT_EQ(account[4], 2);
  EXPECT_EQ(Bytes(account.begin() + 5, account.begin() + 8), (Bytes{0x00, 0x03, 0xE8}));
  EXPECT_EQ(t.transaction(revoke, code, 1300, "DB01", 3), 0x6986) << "nothing left to revoke";
  ASSERT_EQ(t.transaction(debit, code, 100, "DB02", 3), 0x9000);
  ASSERT_EQ(t.transaction(credit, code, 100, "CR01", 4), 0x9000);
  EXPECT_EQ(t.transaction(revoke, code, 1000, "DB02", 5), 0x6986) << "a credit came between";
}

TEST(Vela1Purse, OptionBitsDecideWhatATransactionNeeds) {
  Vela1Card authenticated("vela1", demo_with(0xFF02, 4, 0, {0xC1}));  // bits 6 and 7
  Terminal a(authenticated);
  EXPECT_EQ(status_of(a.send(0xE1, 1, {0, 0, 0, 0})), 0x6985);
  EXPECT_EQ(a.transaction(credit, code, 1, "CR01", 1), 0x6985);
  ASSERT_TRUE(a.authenticate(code, code));
  EXPECT_EQ(a.transaction(credit, code, 1, "CR01", 1), 0x9000);

  Vela1Card unchecked("vela1", demo_with(0xFF02, 4, 0, {0x11}));  // bit 4, no MAC checking, no revoke
  Terminal u(unchecked);
  EXPECT_EQ(u.transaction(debit, "ANY KEY!", 10, "DB01", 1), 0x6985);
  ASSERT_EQ(u.submit(pin, code), 0x9000);
  EXPECT_EQ(u.transaction(debit, "ANY KEY!", 10, "DB01", 1), 0x9000);
  EXPECT_EQ(u.transaction(credit, "ANY KEY!", 10, "CR01", 2), 0x6988) << "credit always checks its MAC";
  EXPECT_EQ(u.transaction(revoke, code, 1000, "DB01", 2), 0x6986);
}

TEST(Vela1Purse, CounterStopsAtItsLastValue) {
  Vela1Card card("vela1", demo_with(0xFF05, 4, 2, {0xFF, 0xFE}, demo_with(0xFF02, 4, 0, {0x29})));
  Terminal t(card);
  ASSERT_EQ(t.transaction(credit, code, 1, "CR01", 0xFFFF), 0x9000);
  EXPECT_EQ(t.transaction(credit, code, 1, "CR01", 0x0000), 0x6986) << "a wrap would make old MACs fit again";
}

TEST(Vela1LifeCycle, PersonalizationEndsWhenIcWritesTheStageByte) {
  auto card = make_card("vela1-nopurse");
  Terminal t(*card);
  t.select(0xFF02);
  EXPECT_EQ(t.write(0, {0x00, 0x02, 0x03, 0x00}), 0x6982);
  ASSERT_EQ(t.submit(ic, code), 0x9000);
  ASSERT_EQ(t.write(0, {0x00, 0x02, 0x03, 0x00}), 0x9000);
  t.select(0xFF04);  // a third user file of 255 records of 255 bytes, usable at once
  ASSERT_EQ(t.write(2, {0xFF, 0xFF, 0x00, 0x00, 0x30, 0x01}), 0x9000);
  ASSERT_EQ(t.select(0x3001), 0x9000);
  EXPECT_EQ(t.write(254, Bytes(255, 0xA5)), 0x9000);
  EXPECT_EQ(t.read(254, 255).data, Bytes(255, 0xA5));
  t.select(0xFF03);
  EXPECT_EQ(t.read(6, 8).data, text(code, 8)) << "stage P: IC reads the security file";
  t.select(0xFF02);
  ASSERT_EQ(t.write(0, {0x00, 0x02, 0x03, 0x80}), 0x9000);
  EXPECT_EQ(t.write(0, {0x00, 0x02, 0x03, 0x00}), 0x6982) << "stage U: FF02 is never written again";
  t.select(0xFF03);
  EXPECT_EQ(status_of(t.read(6, 8)), 0x6982) << "stage U: the security file is never read";
}

TEST(Vela1Image, MemoryFileKeepsFilesCountersAndPurse) {
  const auto file = testing::temp_path("vela1.card");
  std::filesystem::remove(file);
  {
    auto card = make_card("vela1", {.memory_file = file});
    Terminal t(*card);
    EXPECT_EQ(t.submit(ac1, "bad"), 0x63C2);
    ASSERT_EQ(t.submit(pin, code), 0x9000);
    t.select(0x1002);
    ASSERT_EQ(t.write(2, text("SAVED", 8)), 0x9000);
    ASSERT_TRUE(card->save_memory());
  }
  auto again = make_card("vela1", {.memory_file = file});
  Terminal t(*again);
  EXPECT_EQ(t.submit(ac1, "bad"), 0x63C1);
  ASSERT_EQ(t.submit(pin, code), 0x9000);
  t.select(0x1002);
  EXPECT_EQ(t.read(2, 8).data, text("SAVED", 8));
  EXPECT_EQ(t.inquire()[7], 0xE8);
  EXPECT_FALSE(make_card("vela1")->save_memory()) << "no file, nothing to save";

  for (const char* bad : {"FF02 69 C0 3\n", "FF2 69\n", "FF02 GG\n", "FF02 690\n"}) {
    std::ofstream(file) << "# a card\n\n" << bad;
    EXPECT_THROW(make_card("vela1", {.memory_file = file}), std::runtime_error) << bad;
  }
  std::filesystem::remove(file);
}

// Bytes from the reader are untrusted: no command, however malformed, may upset the card.
TEST(Vela1Card, SurvivesArbitraryCommands) {
  auto card = make_card("vela1");
  Terminal t(*card);
  ASSERT_EQ(t.submit(ic, code), 0x9000);
  std::uint32_t state = 12345;
  auto next = [&] { return static_cast<std::uint8_t>((state = state * 1103515245 + 12345) >> 16); };
  const std::array<std::uint8_t, 12> ins{0xA4, 0xB2, 0xD2, 0x20, 0x84, 0x82, 0xE1, 0xC0, 0xE2, 0xE6, 0xE7, 0x00};
  for (int i = 0; i < 20000; ++i) {
    CommandApdu command{0x80, ins[next() % ins.size()], next(), next(), Bytes(next() % 40), 1u + next()};
    for (auto& b : command.data) b = next();
    if (command.ins == 0xA4 && next() % 2) command.data = {0xFF, static_cast<std::uint8_t>(next() % 8)};
    EXPECT_LE(card->apdu(command).value().data.size(), 256u);
  }
}

TEST(Vela1Des, MatchesThePublishedExample) {
  const Block key{0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
  const Block plain{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  const Block cipher{0x85, 0xE8, 0x13, 0x54, 0x0F, 0x0A, 0xB4, 0x05};
  EXPECT_EQ(vela1::encipher(plain, key), cipher);
  EXPECT_EQ(vela1::decipher(cipher, key), plain);
  Bytes two = bytes(plain);
  two.insert(two.end(), plain.begin(), plain.end());
  Block chained;
  for (std::size_t i = 0; i < 8; ++i) chained[i] = cipher[i] ^ plain[i];
  EXPECT_EQ(vela1::cbc_mac(two, key), vela1::encipher(chained, key)) << "CBC with a zero IV";
}

}  // namespace
}  // namespace kitesim
