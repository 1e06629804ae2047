// The card models: the generic microcontroller card and the IIC memory card with its file.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "kitesim/card.h"
#include "kitesim/emulator.h"
#include "socket_client.h"

namespace kitesim {
namespace {

using namespace std::chrono_literals;

ResponseApdu apdu(Card& card, CommandApdu command) { return card.apdu(command).value(); }

std::pair<int, int> sw_of(const ResponseApdu& r) { return {r.sw1, r.sw2}; }

TEST(McuCard, SelectsAndReadsItsFiles) {
  auto card = make_card("mcu-t0");
  card->power_up();
  EXPECT_EQ(sw_of(apdu(*card, {0x00, 0xB0, 0, 0, {}, 4})), std::make_pair(0x69, 0x86));  // the MF is no EF
  EXPECT_EQ(sw_of(apdu(*card, {0x00, 0xA4, 0, 0, {0x12, 0x34}, 256})), std::make_pair(0x6A, 0x82));
  EXPECT_EQ(sw_of(apdu(*card, {0x00, 0xA4, 0, 0, {0x01, 0x01}, 256})), std::make_pair(0x90, 0x00));
  auto read = apdu(*card, {0x00, 0xB0, 0x00, 0x10, {}, 3});
  EXPECT_EQ(read.data, (Bytes{0x10, 0x11, 0x12}));
  // File 0101 holds 300 bytes: a read across its end is cut short, one past it refused.
  auto tail = apdu(*card, {0x00, 0xB0, 0x01, 0x28, {}, 10});
  EXPECT_EQ(tail.data.size(), 4u);
  EXPECT_EQ(sw_of(tail), std::make_pair(0x62, 0x82));
  EXPECT_EQ(sw_of(apdu(*card, {0x00, 0xB0, 0x01, 0x2C, {}, 1})), std::make_pair(0x6B, 0x00));
}

TEST(McuCard, UpdateBinaryIsReadBack) {
  auto card = make_card("mcu-t1");
  card->power_up();
  apdu(*card, {0x00, 0xA4, 0, 0, {0x2F, 0x00}, 256});
  EXPECT_EQ(sw_of(apdu(*card, {0x00, 0xD6, 0, 2, {0xCA, 0xFE}, 256})), std::make_pair(0x90, 0x00));
  EXPECT_EQ(apdu(*card, {0x00, 0xB0, 0, 1, {}, 4}).data, (Bytes{'I', 0xCA, 0xFE, 'S'}));
}

TEST(McuCard, UnknownInstructionAndClass) {
  auto card = make_card("mcu-t0");
  card->power_up();
  EXPECT_EQ(sw_of(apdu(*card, {0x00, 0x42, 0, 0, {}, 256})), std::make_pair(0x6D, 0x00));
  EXPECT_EQ(sw_of(apdu(*card, {0xA0, 0xB0, 0, 0, {}, 256})), std::make_pair(0x6E, 0x00));
  EXPECT_EQ(card->memory_command(0x90, Bytes{0, 0, 1}).status, sw::card_type_not_supported);
}

TEST(McuCard, EchoRepeatsTheCommandDataUpToLe) {
  auto card = make_card("mcu-t0");
  card->power_up();
  EXPECT_EQ(apdu(*card, {0x80, 0xEE, 0, 0, {0xA1, 0xB2}, 5}).data, (Bytes{0xA1, 0xB2, 0xA1, 0xB2, 0xA1}));
}

TEST(McuCard, ConfiguredAnswerToReset) {
  auto card = make_card("mcu-t1", {.atr = Bytes{0x3B, 0x00}});
  auto reset = card->power_up();
  EXPECT_EQ(reset.data, (Bytes{0x3B, 0x00}));
  EXPECT_EQ(reset.status, sw::ok_t1);
}

TEST(IicCard, ReadsAndWritesWithinItsMemory) {
  auto card = make_card("iic");
  EXPECT_EQ(card->power_up().data, Bytes{});
  EXPECT_EQ(card->memory_command(0x91, Bytes{0x00, 0xFE, 0x11, 0x22}).status, sw::ok);
  EXPECT_EQ(card->memory_command(0x90, Bytes{0x00, 0xFD, 0x03}).data, (Bytes{0xFF, 0x11, 0x22}));
  EXPECT_EQ(card->memory_command(0x91, Bytes{0x00, 0xFF, 0x11, 0x22}).status, sw::address_out_of_range);
  EXPECT_EQ(card->memory_command(0x90, Bytes{0x01, 0x00, 0x01}).status, sw::address_out_of_range);
  EXPECT_EQ(card->memory_command(0x90, Bytes{0x00, 0x00}).status, sw::wrong_length);
  EXPECT_EQ(card->memory_command(0x84, Bytes{0x01}).status, sw::ok);
  EXPECT_EQ(card->memory_command(0x92, Bytes{}).status, sw::card_type_not_supported);
  EXPECT_FALSE(card->apdu({}));
  EXPECT_FALSE(card->save_memory());
}

TEST(IicCard, BigModelAddressesWithBothBytes) {
  auto card = make_card("iic-2k");
  EXPECT_EQ(card->memory_command(0x91, Bytes{0x07, 0xFF, 0x5A}).status, sw::ok);
  EXPECT_EQ(card->memory_command(0x90, Bytes{0x07, 0xFF, 0x01}).data, (Bytes{0x5A}));
  EXPECT_EQ(card->memory_command(0x90, Bytes{0x08, 0x00, 0x01}).status, sw::address_out_of_range);
}

TEST(IicCard, MemoryIsLoadedFromAndSavedToItsFile) {
  auto file = testing::temp_path("iic.bin");
  {
    std::ofstream out(file, std::ios::binary);
    out << "HELLO";
  }
  auto card = make_card("iic", {.memory_file = file});
  EXPECT_EQ(card->memory_command(0x90, Bytes{0x00, 0x00, 0x06}).data, (Bytes{'H', 'E', 'L', 'L', 'O', 0xFF}));
  card->memory_command(0x91, Bytes{0x00, 0x00, 'J'});
  ASSERT_TRUE(card->save_memory());
  EXPECT_EQ(std::filesystem::file_size(file), 256u);
  auto again = make_card("iic", {.memory_file = file});
  EXPECT_EQ(again->memory_command(0x90, Bytes{0x00, 0x00, 0x02}).data, (Bytes{'J', 'E'}));
  std::filesystem::remove(file);
}

TEST(IicCard, RemovingTheCardSavesItsMemory) {
  auto file = testing::temp_path("iic-remove.bin");
  std::filesystem::remove(file);
  Emulator emulator;
  emulator.insert(make_card("iic", {.memory_file = file}));
  EXPECT_FALSE(std::filesystem::exists(file));
  emulator.remove();
  EXPECT_EQ(std::filesystem::file_size(file), 256u);
  std::filesystem::remove(file);
}

// A demo card is a card of another model, personalised: it reports that model.
TEST(CardFactory, KnowsItsModelsAndRefusesOthers) {
  const std::map<std::string, std::string> demo_of = {
      {"demo-sle4442", "lm2ks"}, {"demo-counter", "lm221"}, {"demo-x76f100", "x76f100"}};
  for (const CardModelInfo& model : card_models()) {
    const auto demo = demo_of.find(model.name);
    EXPECT_EQ(make_card(model.name)->model(), demo == demo_of.end() ? model.name : demo->second);
  }
  EXPECT_THROW(make_card("sle9999"), std::invalid_argument);
}

}  // namespace
}  // namespace kitesim
