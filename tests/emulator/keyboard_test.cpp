// The keyboard-port coding and the socket that serves it.
#include "keyboard_coding.h"

#include <gtest/gtest.h>

#include "kitesim/emulator.h"
#include "socket_client.h"

namespace kitesim {
namespace {

using namespace std::chrono_literals;

TEST(KeyboardCoding, RequestCarriesNibbleValues) {
  EXPECT_EQ(encode_keyboard_request(Bytes{0x01, 0x00}),
            (Bytes{0x35, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x34}));
  EXPECT_EQ(encode_keyboard_request(Bytes{0x02, 0x01, 0xC3}),
            (Bytes{0x35, 0x00, 0x01, 0x00, 0x02, 0x00, 0x01, 0x0C, 0x03, 0x0C, 0x01, 0x34}));
  EXPECT_EQ(decode_keyboard_request(encode_keyboard_request(Bytes{0x02, 0x01, 0xC3})), (Bytes{0x02, 0x01, 0xC3}));
}

TEST(KeyboardCoding, MalformedRequestsAreRefused) {
  Bytes good = encode_keyboard_request(Bytes{0x01, 0x00});
  Bytes bad_checksum = good;
  bad_checksum[8] = 0x01;
  Bytes character_not_nibble = good;
  character_not_nibble[4] = 0x31;
  Bytes no_end(good.begin(), good.end() - 1);
  Bytes wrong_header = good;
  wrong_header[2] = 0x05;
  wrong_header[8] ^= 0x04;
  for (const Bytes& request : {bad_checksum, character_not_nibble, no_end, wrong_header, Bytes{0x35, 0x34}, Bytes{}})
    EXPECT_FALSE(decode_keyboard_request(request));
}

TEST(KeyboardCoding, ReplyDigitsAreScanCodesOfTheHexKeys) {
  // Scan code set 1: keys 1-9 are 02-0A, 0 is 0B, A-F are 1E 30 2E 20 12 21.
  const Bytes expected{0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                       0x09, 0x0A, 0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21};
  for (std::uint8_t digit = 0; digit < 16; ++digit) {
    EXPECT_EQ(scan_code_of_digit(digit), expected[digit]);
    EXPECT_EQ(digit_of_scan_code(expected[digit]), digit);
  }
  // 90 00 00 with header 01: checksum 91.
  EXPECT_EQ(encode_keyboard_reply(0x01, Bytes{0x90, 0x00, 0x00}),
            (Bytes{0x35, 0x0B, 0x02, 0x0A, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0A, 0x02, 0x34}));
}

TEST(KeyboardCoding, CorruptedReplyFailsItsChecksum) {
  Bytes reply = encode_keyboard_reply(0x01, Bytes{0x90, 0x00, 0x00}, true);
  EXPECT_FALSE(decode_keyboard_reply(reply));
  EXPECT_EQ(decode_keyboard_reply(encode_keyboard_reply(0x01, Bytes{0x90, 0x00, 0x00})),
            (Bytes{0x01, 0x90, 0x00, 0x00}));
}

class KeyboardSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    emulator.start_keyboard_socket(path);
    client = testing::connect_unix(path, SOCK_SEQPACKET);
    ASSERT_TRUE(client);
  }
  std::optional<Bytes> exchange(const Bytes& command) {
    EXPECT_TRUE(testing::send_all(client.get(), encode_keyboard_request(command)));
    return testing::receive(client.get());
  }

  std::filesystem::path path = testing::temp_path("keyboard.sock");
  Emulator emulator{{.firmware = "KITEBT0310"}};
  UniqueFd client;
};

TEST_F(KeyboardSocketTest, InformationRequestIsAnsweredInOneMessage) {
  auto message = exchange({0x01, 0x00});
  ASSERT_TRUE(message);
  // 35, (header + 3 status bytes + 16 data + checksum) as scan-code pairs, 34.
  EXPECT_EQ(message->size(), 2u + 2u * 21u);
  auto reply = decode_keyboard_reply(*message);
  ASSERT_TRUE(reply);
  EXPECT_EQ((Bytes(reply->begin(), reply->begin() + 4)), (Bytes{0x01, 0x90, 0x00, 0x10}));
  EXPECT_EQ(std::string(reply->begin() + 4, reply->begin() + 14), "KITEBT0310");
  EXPECT_EQ(emulator.state().keyboard_requests, 1u);
}

TEST_F(KeyboardSocketTest, UnreadableRequestAndDroppedReplyGiveAnEmptyMessage) {
  ASSERT_TRUE(testing::send_all(client.get(), Bytes{0x35, 0x01, 0x34, 0x00}));
  auto message = testing::receive(client.get());
  ASSERT_TRUE(message);
  EXPECT_TRUE(message->empty());

  emulator.set_faults({.drop_next = 1});
  message = exchange({0x01, 0x00});
  ASSERT_TRUE(message);
  EXPECT_TRUE(message->empty());
  message = exchange({0x01, 0x00});
  ASSERT_TRUE(message);
  EXPECT_TRUE(decode_keyboard_reply(*message));
}

TEST_F(KeyboardSocketTest, RequestsSentAtOnceAreAnsweredOneMessageEachInOrder) {
  emulator.set_faults({.drop_next = 1, .delay = 30ms});
  const Bytes info{0x01, 0x00}, option{0x07, 0x01, 0x01};
  for (const Bytes& command : {info, option, info, option})
    ASSERT_TRUE(testing::send_all(client.get(), encode_keyboard_request(command)));
  std::vector<Bytes> messages;
  for (int i = 0; i < 4; ++i) {
    auto message = testing::receive(client.get());
    ASSERT_TRUE(message) << "answer " << i;
    messages.push_back(*message);
  }
  EXPECT_TRUE(messages[0].empty());  // the dropped answer: an empty message
  EXPECT_EQ(decode_keyboard_reply(messages[1]), (Bytes{0x01, 0x90, 0x00, 0x00}));
  auto information = decode_keyboard_reply(messages[2]);
  ASSERT_TRUE(information);
  EXPECT_EQ(information->size(), 1u + 3u + 16u);
  EXPECT_EQ(decode_keyboard_reply(messages[3]), (Bytes{0x01, 0x90, 0x00, 0x00}));
  EXPECT_FALSE(testing::receive(client.get(), 200));  // and nothing more
  EXPECT_EQ(emulator.state().keyboard_requests, 4u);
}

TEST_F(KeyboardSocketTest, LongMcuReplyFitsOneMessage) {
  emulator.insert(make_card("mcu-t0"));
  exchange({0x80, 0x00});
  auto message = exchange({0xA0, 0x06, 0x80, 0xEE, 0x00, 0x00, 0x00, 0x00});
  ASSERT_TRUE(message);
  auto reply = decode_keyboard_reply(*message);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->size(), 1u + 5u + 258u);
  EXPECT_LT(message->size(), 600u);
}

TEST(KeyboardSocket, SocketFileGoesWithTheEmulator) {
  auto path = testing::temp_path("keyboard-2.sock");
  {
    Emulator emulator;
    emulator.start_keyboard_socket(path);
    EXPECT_TRUE(std::filesystem::exists(path));
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kitesim
