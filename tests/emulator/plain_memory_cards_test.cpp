// Serial EEPROM cards beside the IIC: the XIIC with block protection and the X24645 with its
// two-byte addressing; every memory card model's file and command table.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <vector>

#include "memory_card_support.h"
#include "socket_client.h"

namespace kitesim {
namespace {

using namespace testing;

TEST(XiicCard, ProtectsARangeOfBlocks) {
  auto card = powered_card("xiic");
  EXPECT_EQ(data_of(*card, 0x97, {}), (Bytes{0x00, 0x00, 0x00}));
  ASSERT_EQ(status(*card, 0x94, {2, 3}), sw::ok);  // blocks 2, 3 and 4: bytes 256 to 639
  ASSERT_EQ(status(*card, 0x94, {7}), sw::ok);
  EXPECT_EQ(data_of(*card, 0x97, {}), (Bytes{2, 5, 7}));
  EXPECT_EQ(status(*card, 0x91, {0x00, 0xFF, 0x01, 0x02}), sw::write_refused);
  EXPECT_EQ(status(*card, 0x91, {0x02, 0x80, 0x03}), sw::ok);
  EXPECT_EQ(data_of(*card, 0x90, {0x00, 0xFF, 0x02}), (Bytes{0x01, 0xFF}));
  EXPECT_EQ(status(*card, 0x94, {16, 1}), sw::parameter_refused);
  EXPECT_EQ(status(*card, 0x94, {1, 15}), sw::parameter_refused);  // would end at block 16
  EXPECT_EQ(data_of(*card, 0x97, {}), (Bytes{2, 5, 7}));
  ASSERT_EQ(status(*card, 0x94, {0, 15}), sw::ok);
  EXPECT_EQ(data_of(*card, 0x97, {}), (Bytes{0, 15, 7}));
  EXPECT_EQ(status(*card, 0x91, {0x07, 0x80, 0x05}), sw::ok);  // block 15
  EXPECT_EQ(status(*card, 0x94, {0x10}), sw::parameter_refused);
  ASSERT_EQ(status(*card, 0x94, {2, 0}), sw::ok);
  EXPECT_EQ(status(*card, 0x91, {0x01, 0x00, 0x04}), sw::ok);
  EXPECT_EQ(status(*card, 0x90, {0x08, 0x00, 0x01}), sw::address_out_of_range);
  EXPECT_EQ(status(*card, 0x84, {0x01}), sw::ok);
}

TEST(X24645Card, AnswersTwoByteAddressesOnly) {
  auto card = powered_card("x24645");
  ASSERT_EQ(status(*card, 0x91, {0xC0, 0x00, 0x11, 0x22}), sw::ok);
  EXPECT_EQ(data_of(*card, 0x90, {0x80, 0x00, 0x02}), (Bytes{0x11, 0x22}));  // 13 address bits
  ASSERT_EQ(status(*card, 0x91, {0xDF, 0xFF, 0x33}), sw::ok);
  EXPECT_EQ(status(*card, 0x91, {0xDF, 0xFF, 0x33, 0x44}), sw::address_out_of_range);
  EXPECT_EQ(status(*card, 0x90, {0x40, 0x00, 0x01}), sw::address_out_of_range);
  EXPECT_EQ(status(*card, 0x84, {0x00}), sw::card_type_not_supported);
}

// The command codes each model serves; every other code is refused as not supported.
TEST(MemoryCards, ServeTheirCommandsOnly) {
  const struct {
    const char* model;
    std::vector<std::uint8_t> codes;
  } cases[] = {
      {"lm104", {0x90, 0x91, 0x92}},
      {"lm221", {0x90, 0x91, 0x92, 0x96}},
      {"sle4404", {0x84, 0x90, 0x91, 0x92, 0x95}},
      {"at1604", {0x84, 0x90, 0x91, 0x92, 0x94, 0x95}},
      {"lm8kp", {0x90, 0x91, 0x94}},
      {"lm2ks", {0x90, 0x91, 0x92, 0x93, 0x94}},
      {"iic", {0x84, 0x90, 0x91}},
      {"xiic", {0x84, 0x90, 0x91, 0x94, 0x97}},
      {"lm256", {0x90, 0x91, 0x94, 0x95, 0x97}},
      {"x76f041", {0x90, 0x91, 0x92, 0x93, 0x94, 0x95}},
      {"x24645", {0x90, 0x91}},
      {"st1333", {0x90, 0x91, 0x92, 0x95, 0x96}},
      {"x76f640", {0x90, 0x91, 0x95, 0x96, 0x97}},
      {"x76f100", {0x90, 0x91, 0x95}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    auto card = powered_card(c.model);
    for (std::uint8_t code : {0x84, 0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97}) {
      bool served = std::find(c.codes.begin(), c.codes.end(), code) != c.codes.end();
      // 300 data bytes fit no form of these commands; what matters is which codes are served.
      EXPECT_EQ(status(*card, code, Bytes(300, 0x00)) == sw::card_type_not_supported, !served) << int{code};
    }
    EXPECT_FALSE(card->apdu({}));
  }
}

// Cards take untrusted bytes: random commands (small addresses and the factory password FF..FF
// often, so that the paths behind the passwords run too) never reach outside a card, and every
// answer is a status of the table with a reply that fits.
TEST(MemoryCards, SurviveRandomCommands) {
  std::mt19937 random(2024);
  const std::uint8_t codes[] = {0x84, 0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97};
  for (const CardModelInfo& model : card_models()) {
    auto card = powered_card(model.name);
    if (card->apdu({})) continue;  // microcontroller cards
    SCOPED_TRACE(model.name);
    for (int i = 0; i < 3000; ++i) {
      Bytes data(random() % 40);
      for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(random() % 3 ? random() % 4 : random());
      const std::size_t password_at = random() % 3;  // 0: none, 1: at byte 0, 2: at byte 1
      for (std::size_t j = password_at - 1; password_at && j < password_at + 7 && j < data.size(); ++j) data[j] = 0xFF;
      CardReply reply = send(*card, codes[random() % std::size(codes)], data);
      ASSERT_LE(reply.data.size(), 255u);
      ASSERT_TRUE(std::ranges::any_of(status_word_table, [&](const auto& e) { return e.word == reply.status; }));
      if (i % 500 == 0) card->power_up();
    }
  }
}

TEST(MemoryCards, StateIsKeptInTheMemoryFileAfterTheMemory) {
  auto file = temp_path("lm2ks.bin");
  std::filesystem::remove(file);
  {
    auto card = powered_card("lm2ks", {.memory_file = file});
    send(*card, 0x92, {0xFF, 0xFF, 0xFF});
    ASSERT_EQ(status(*card, 0x94, {0x00, 0x00, 0xAA}), sw::ok);
    ASSERT_EQ(status(*card, 0x93, {0x01, 0x02, 0x03}), sw::ok);
    ASSERT_TRUE(card->save_memory());
  }
  EXPECT_EQ(std::filesystem::file_size(file), 256u + 4 + 3 + 1);
  auto again = powered_card("lm2ks", {.memory_file = file});
  EXPECT_EQ(data_of(*again, 0x92, {0x01, 0x02, 0x03}), Bytes{0x07});
  EXPECT_EQ(status(*again, 0x91, {0x00, 0x00, 0x55}), sw::write_refused);
  EXPECT_EQ(data_of(*again, 0x90, {0x00, 0x00, 0x01}), Bytes{0xAA});
  std::filesystem::remove(file);
}

// The demo cards open with the codes and passwords their descriptions give, and show their
// content; once saved, a demo card comes back as it was left, not personalised again.
TEST(DemoCards, OpenWithTheirDocumentedCodesAndKeepTheirFile) {
  auto sle4442 = powered_card("demo-sle4442");
  EXPECT_EQ(data_of(*sle4442, 0x92, {0x12, 0x34, 0x56}), Bytes{0x07});
  const Bytes text = data_of(*sle4442, 0x90, {0x00, 0x20, 0x07});
  EXPECT_EQ(std::string(text.begin(), text.end()), "Kestrel");
  EXPECT_EQ(status(*sle4442, 0x91, {0x00, 0x00, 0x00}), sw::write_refused) << "the identification is protected";

  auto counter = powered_card("demo-counter");
  EXPECT_EQ(data_of(*counter, 0x90, {0x00, 0x08, 0x05}), (Bytes{0x01, 0x07, 0x7F, 0x0F, 0x1F}));

  auto x76f100 = powered_card("demo-x76f100");
  const Bytes read_password{'r', 'e', 'a', 'd', '-', 'p', 'w', '!'};
  Bytes read = read_password;
  read.insert(read.end(), {0x00, 0x00, 0x07});
  EXPECT_EQ(data_of(*x76f100, 0x90, read), (Bytes{'K', 'e', 's', 't', 'r', 'e', 'l'}));

  auto file = temp_path("demo.bin");
  std::filesystem::remove(file);
  {
    auto card = powered_card("demo-sle4442", {.memory_file = file});
    ASSERT_EQ(data_of(*card, 0x92, {0x12, 0x34, 0x56}), Bytes{0x07});
    ASSERT_EQ(status(*card, 0x91, {0x00, 0x20, 0x41}), sw::ok);
    ASSERT_TRUE(card->save_memory());
  }
  auto again = powered_card("demo-sle4442", {.memory_file = file});
  EXPECT_EQ(data_of(*again, 0x90, {0x00, 0x20, 0x01}), Bytes{0x41});
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace kitesim
