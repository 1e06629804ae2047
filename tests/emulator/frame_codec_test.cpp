#include "frame_codec.h"

#include <gtest/gtest.h>

#include <random>

#include "reader_harness.h"

namespace kitesim {
namespace {

using testing::ascii;
using testing::wire;

TEST(FrameEncoding, CommandFrameIsHexPairsBetweenStxAndEtx) {
  // 01 00 (information): checksum 01 ^ 01 ^ 00 = 00.
  EXPECT_EQ(encode_frame(header_data, Bytes{0x01, 0x00}, true), wire("<01010000>"));
  EXPECT_EQ(encode_frame(header_data, Bytes{0x01, 0x00}, false), wire("01010000>"));
}

TEST(FrameEncoding, CardEventFrameMatchesItsWireForm) {
  EXPECT_EQ(encode_frame(header_data, Bytes{0xFF, 0x01, 0x00}, true),
            (Bytes{0x02, 0x30, 0x31, 0x46, 0x46, 0x30, 0x31, 0x30, 0x30, 0x46, 0x46, 0x03}));
}

TEST(FrameEncoding, NackFrameIsHeaderFiveWithChecksumFive) {
  EXPECT_EQ(nack_frame(true), (Bytes{0x02, 0x30, 0x35, 0x30, 0x35, 0x03}));
  EXPECT_EQ(nack_frame(false), (Bytes{0x30, 0x35, 0x30, 0x35, 0x03}));
}

TEST(FrameEncoding, CorruptedChecksumNoLongerChecks) {
  Bytes frame = encode_frame(header_data, Bytes{0x90, 0x00, 0x00}, true, true);
  auto body = decode_frame_body(std::span(frame).subspan(1, frame.size() - 2));
  EXPECT_FALSE(body.frame);
  EXPECT_EQ(body.error, FrameError::bad_checksum);
}

TEST(FrameDecoding, RejectsWhatIsNotAFrame) {
  EXPECT_EQ(decode_frame_body(ascii("01010001")).error, FrameError::bad_checksum);
  EXPECT_EQ(decode_frame_body(ascii("0101000")).error, FrameError::odd_length);
  EXPECT_EQ(decode_frame_body(ascii("01")).error, FrameError::too_short);
  // Only the capital hex digits are characters of a frame.
  EXPECT_EQ(decode_frame_body(ascii("0a0a")).error, FrameError::bad_character);
  EXPECT_EQ(decode_frame_body(ascii("01G1")).error, FrameError::bad_character);
  EXPECT_EQ(decode_frame_body(ascii("01\x01" "0")).error, FrameError::bad_character);
}

TEST(FrameDecoding, RandomFramesSurviveTheRoundTrip) {
  std::mt19937 random(7);
  for (int round = 0; round < 500; ++round) {
    Bytes bytes(random() % 300);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    std::uint8_t header = static_cast<std::uint8_t>(random());
    Bytes frame = encode_frame(header, bytes, true);
    auto body = decode_frame_body(std::span(frame).subspan(1, frame.size() - 2));
    ASSERT_TRUE(body.frame);
    EXPECT_EQ(body.frame->header, header);
    EXPECT_EQ(body.frame->bytes, bytes);
  }
}

TEST(FrameAssembly, CollectsFramesSplitAcrossReads) {
  FrameAssembler assembler;
  EXPECT_TRUE(assembler.feed(wire("<0101")).empty());
  auto bodies = assembler.feed(wire("0000><0505>"));
  ASSERT_EQ(bodies.size(), 2u);
  EXPECT_EQ(bodies[0].chars, ascii("01010000"));
  EXPECT_EQ(bodies[1].chars, ascii("0505"));
}

TEST(FrameAssembly, StxStartsAFreshFrameAndFramesWithoutStxEndAtEtx) {
  FrameAssembler assembler;
  auto bodies = assembler.feed(wire("noise<0505>01010000>"));
  ASSERT_EQ(bodies.size(), 2u);
  EXPECT_EQ(bodies[0].chars, ascii("0505"));
  EXPECT_EQ(bodies[1].chars, ascii("01010000"));
}

TEST(FrameAssembly, OverlongFrameIsFlaggedAndTheNextOneIsClean) {
  FrameAssembler assembler;
  Bytes flood(5000, '0');
  flood.insert(flood.begin(), stx);
  flood.push_back(etx);
  auto bodies = assembler.feed(flood);
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_TRUE(bodies[0].overlong);
  EXPECT_TRUE(bodies[0].chars.empty());
  bodies = assembler.feed(wire("<0505>"));
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_FALSE(bodies[0].overlong);
}

TEST(FrameAssembly, LongestFrameStillFits) {
  // 297 command bytes: 2 * 297 + 6 = 600 bytes on the wire with STX.
  Bytes command(297, 0xA5);
  auto bodies = FrameAssembler().feed(encode_frame(header_data, command, true));
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_FALSE(bodies[0].overlong);
}

}  // namespace
}  // namespace kitesim
