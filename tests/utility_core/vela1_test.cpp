// The VELA1 layer against the emulated VELA1 cards: the scan, codes plain and enciphered, mutual
// authentication and the purse. The utility's cipher library works on one side, the card's own
// DES on the other.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "emulated_reader.h"

namespace utility_core_test {
namespace {

struct Entry {
  int32_t id, record_length, records;
  uint8_t read, write;
  friend bool operator==(const Entry&, const Entry&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Entry& e) {
    return out << std::hex << e.id << " " << e.record_length << "x" << e.records << " " << int(e.read) << "/"
               << int(e.write);
  }
};

std::vector<Entry> file_table(const kestrel::Vela1Card& card) {
  std::vector<Entry> entries;
  for (int32_t i = 0; i < card.file_count; ++i) {
    const kestrel::Vela1File& f = card.files[static_cast<size_t>(i)];
    entries.push_back({f.identifier, f.record_length, f.number_of_records, f.read_attribute, f.write_attribute});
  }
  return entries;
}

using Vela1Scan = EmulatedReader;

TEST_F(Vela1Scan, CardWithPurseListsUserFilesThenFf00ToFf06AndItsAccount) {
  open_with("vela1");
  scan_vela1();
  const kestrel::Vela1Card& card = vela1.card();
  EXPECT_EQ(card.stage, 'U');
  EXPECT_EQ(card.option_register, 0x69);
  EXPECT_EQ(card.security_option_register, 0xC0);
  EXPECT_EQ(file_table(card), (std::vector<Entry>{{0x1001, 16, 4, 0x00, 0x40}, {0x1002, 8, 4, 0x40, 0x40},
                                                  {0x1003, 8, 2, 0x02, 0x02}, {0xFF00, 8, 2, 0x00, 0x01},
                                                  {0xFF01, 8, 2, 0x00, 0x01}, {0xFF02, 4, 3, 0x00, 0x01},
                                                  {0xFF03, 8, 12, 0x01, 0x80}, {0xFF04, 6, 3, 0x00, 0x80},
                                                  {0xFF05, 4, 8, 0x80, 0x80}, {0xFF06, 8, 4, 0x01, 0x80}}));
  EXPECT_EQ(card.balance, 1000);
  EXPECT_EQ(card.maximum_balance, 100000);
  EXPECT_EQ(card.purse_id, (std::array<uint8_t, 4>{0x12, 0x34, 0x56, 0x78}));
  // What the scan lists is what the card enforces.
  for (const Entry& e : file_table(card)) {
    vela1.select_file(static_cast<uint16_t>(e.id));
    vela1.read_record(static_cast<uint8_t>(e.records - 1), e.record_length);
    EXPECT_EQ(vela1.last_status(), e.read == 0 ? 0x9000 : 0x6982) << e;
  }
}

TEST_F(Vela1Scan, CardWithoutPurseInStagePListsUserFilesPlusFive) {
  open_with("vela1-nopurse");
  scan_vela1();
  EXPECT_EQ(vela1.card().stage, 'P');
  EXPECT_EQ(file_table(vela1.card()), (std::vector<Entry>{{0x2001, 8, 2, 0x00, 0x00}, {0x2002, 8, 2, 0x02, 0x02},
                                                          {0xFF00, 8, 2, 0x00, 0x01}, {0xFF01, 8, 2, 0x00, 0x01},
                                                          {0xFF02, 4, 3, 0x00, 0x80}, {0xFF03, 8, 12, 0x80, 0x80},
                                                          {0xFF04, 6, 2, 0x00, 0x80}}));
}

TEST_F(Vela1Scan, ManufacturerFileWithBit7ClearMeansStageM) {
  const auto image = std::filesystem::temp_directory_path() / ("vela1-stage-m-" + std::to_string(::getpid()));
  ASSERT_TRUE(kitesim::make_card("vela1-nopurse", {.memory_file = image})->save_memory());
  std::stringstream text;
  text << std::ifstream(image).rdbuf();
  std::string lines = text.str();
  ASSERT_NE(lines.find("\nFF01 80"), std::string::npos);
  std::ofstream(image) << lines.replace(lines.find("\nFF01 80"), 8, "\nFF01 00");
  open_with("vela1-nopurse", {.memory_file = image});
  std::filesystem::remove(image);
  scan_vela1();
  EXPECT_EQ(vela1.card().stage, 'M');
  EXPECT_EQ(file_table(vela1.card())[3], (Entry{0xFF01, 8, 2, 0x00, 0x80}));
}

TEST_F(Vela1Scan, OtherCardsAreNotVela1AndLeaveTheRecordAsItWas) {
  open_with("vela1");
  scan_vela1();
  emulator.insert(kitesim::make_card("mcu-t0"));
  EXPECT_EQ(vela1.scan(), 0);
  EXPECT_FALSE(vela1.is_vela1());
  kitesim::Bytes short_atr{0x3B, 0xBE, 0x11, 0x00, 0x00, 0x41};
  short_atr.resize(18);
  emulator.insert(kitesim::make_card("vela1-nopurse", {.atr = short_atr}));
  EXPECT_EQ(vela1.scan(), 0);
  EXPECT_FALSE(vela1.is_vela1());
  EXPECT_EQ(vela1.card().file_count, 10);
  emulator.remove();
  EXPECT_EQ(vela1.scan(), -1002);
}

TEST_F(Vela1Scan, MissingCipherLibraryFailsBeforeAnySession) {
  open_with("vela1");
  kestrel::Vela1 without_cipher(binding, "libDES-not-there.so");
  const uint64_t before = emulator.state().commands_received;
  EXPECT_EQ(without_cipher.scan(), -1);
  EXPECT_FALSE(without_cipher.is_vela1());
  EXPECT_EQ(emulator.state().commands_received, before) << "no session was started";
}

class Vela1Codes : public EmulatedReader {
 protected:
  // Submits the demo code; returns the trace line of the eight code bytes as they went out.
  std::string submitted(int reference) {
    log.lines.clear();
    binding.enable_exchange_trace(log);
    vela1.submit_code(reference, kDemoCode);
    EXPECT_EQ(vela1.last_status(), 0x9000) << "reference " << reference;
    return log.lines.size() > 1 ? log.lines[1] : "";
  }
  const std::string plain = "< 35 38 32 30 33 37 31 36 ";
};

TEST_F(Vela1Codes, EncipheredOnlyWithTheirBitAndAfterAnAuthentication) {
  open_with("vela1");  // security option register C0
  scan_vela1();
  EXPECT_EQ(submitted(kestrel::kCodeIc), plain);
  authenticate();
  EXPECT_NE(submitted(kestrel::kCodeIc), plain);
  EXPECT_EQ(submitted(kestrel::kCodeAc1), plain);
  scan_vela1();
  EXPECT_FALSE(vela1.card().session_key_valid);
  EXPECT_EQ(submitted(kestrel::kCodePin), plain);

  emulator.insert(kitesim::make_card("vela1-nopurse"));  // security option register 02
  scan_vela1();
  authenticate();
  EXPECT_EQ(submitted(kestrel::kCodeIc), plain);
  EXPECT_NE(submitted(kestrel::kCodeAc1), plain);
}

TEST_F(Vela1Codes, WrongKeysLeaveNoSessionKeyAndStatus9000) {
  open_with("vela1");
  scan_vela1();
  for (auto [kc, kt] : {std::pair{"00000000", kDemoCode}, {kDemoCode, "00000000"}}) {
    vela1.mutual_authentication(key(kc), key(kt));
    EXPECT_FALSE(vela1.card().session_key_valid) << kc << " " << kt;
    EXPECT_EQ(vela1.last_status(), 0x9000);
  }
}

class Vela1Purse : public EmulatedReader {
 protected:
  void SetUp() override {
    open_with("vela1");
    scan_vela1();
    authenticate();  // the demo card's transactions need one
  }
  const kestrel::Key demo_key = key(kDemoCode);
};

TEST_F(Vela1Purse, CreditDebitAndRevokeMoveBalanceAndCounter) {
  vela1.credit(demo_key, reference("CR01"), 500);
  EXPECT_EQ(vela1.last_status(), 0x9000);
  vela1.debit(demo_key, reference("DB01"), 200);
  EXPECT_EQ(vela1.last_status(), 0x9000);
  EXPECT_EQ(vela1.card().transaction_counter, 2);
  vela1.inquire_account(1);
  EXPECT_EQ(vela1.card().balance, 1300);
  EXPECT_EQ(vela1.card().last_transaction_type, 1);
  EXPECT_EQ(vela1.card().transaction_counter, 2);
  EXPECT_EQ(vela1.card().credit_reference, reference("CR01"));
  EXPECT_EQ(vela1.card().debit_reference, reference("DB01"));
  vela1.revoke_debit(demo_key, reference("DB01"), 200 + vela1.card().balance);  // as the dialog sends it
  EXPECT_EQ(vela1.last_status(), 0x9000);
  vela1.inquire_account(1);
  EXPECT_EQ(vela1.card().balance, 1500);
  EXPECT_EQ(vela1.card().last_transaction_type, 2);
  EXPECT_EQ(vela1.card().transaction_counter, 3);
}

TEST_F(Vela1Purse, FailedTransactionsKeepTheCounterForTheNextOne) {
  vela1.credit(key("WRONGKEY"), reference("CR01"), 500);
  EXPECT_EQ(vela1.last_status(), 0x6988);
  vela1.credit(demo_key, reference("CR01"), 99001);
  EXPECT_EQ(vela1.last_status(), 0x6B20);
  vela1.debit(demo_key, reference("DB01"), 1001);
  EXPECT_EQ(vela1.last_status(), 0x6B20);
  EXPECT_EQ(vela1.card().transaction_counter, 0);
  vela1.credit(demo_key, reference("CR01"), 99000);
  EXPECT_EQ(vela1.last_status(), 0x9000);
  vela1.inquire_account(1);
  EXPECT_EQ(vela1.card().transaction_counter, 1) << "the card counted the same";
  EXPECT_EQ(vela1.card().balance, 100000);
  scan_vela1();
  vela1.credit(demo_key, reference("CR01"), 0);
  EXPECT_EQ(vela1.last_status(), 0x6985) << "a scan resets the card: the authentication is gone";
}

}  // namespace
}  // namespace utility_core_test
