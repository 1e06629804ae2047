#include "status_check.h"

#include <gtest/gtest.h>

#include "library.h"
#include "reply.h"

namespace {

using pelorus::result_of_status;

TEST(StatusCheck, FirstByte90IsSuccessWhateverTheSecond) {
  EXPECT_EQ(result_of_status(0x9000), 0);
  EXPECT_EQ(result_of_status(0x9001), 0);
  EXPECT_EQ(result_of_status(0x90FF), 0);
}

TEST(StatusCheck, ReaderStatusWordsMapToTheirCodes) {
  const std::pair<uint16_t, int32_t> table[] = {
      {0x6001, -1001}, {0x6002, -1002}, {0x6003, -1003}, {0x6004, -1004}, {0x6005, -1005}, {0x6020, -1006},
      {0x6030, -1007}, {0x6032, -1008}, {0x6701, -1009}, {0x6702, -1010}, {0x6703, -1011}, {0x6704, -1012},
      {0x6705, -1013}, {0x6706, -1014}, {0x6201, -1015}, {0x6022, -1084},
  };
  for (const auto& [word, code] : table) EXPECT_EQ(result_of_status(word), code) << std::hex << word;
}

TEST(StatusCheck, AnyOtherWordIsMinus1099) {
  for (uint16_t word : {0x0000, 0x6000, 0x6006, 0x6700, 0x6707, 0x6A82, 0x9100, 0xFFFF}) {
    EXPECT_EQ(result_of_status(word), -1099) << std::hex << word;
  }
}

TEST(StatusCheck, KeepsTheWordAsTheLastStatusWord) {
  pelorus::Library lib;
  pelorus::Reply reply;
  reply.bytes[0] = 0x62;
  reply.bytes[1] = 0x01;
  reply.length = 4;
  EXPECT_EQ(pelorus::status_check(lib, reply), -1015);
  EXPECT_EQ(lib.last_status_word, 0x6201);
}

}  // namespace
