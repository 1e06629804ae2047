// The soak's two kinds of exchanges, each with the answer the emulated card is known to give.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "pelorus32.h"

namespace soak {

enum class CardKind { mcu, memory };

const char* name_of(CardKind kind);

using Random = std::mt19937_64;

// The memory card: an IIC card of 2048 bytes whose image this program writes.
inline constexpr std::size_t kMemorySize = 2048;
std::uint8_t memory_byte(std::size_t address);
void write_memory_image(const std::filesystem::path& file);

struct KnownAnswer {
  std::int32_t le = 0;
  std::uint16_t status = 0x9000;
  std::array<std::uint8_t, QX_DATA_SIZE> data{};
};

struct Exchange {
  QX_APDU apdu{};
  KnownAnswer expected;
};

// The mcu-t0 card's echo command: Le (1 to 256) bytes repeating four random data bytes.
Exchange make_echo(Random& random);
// The echo command's frame on the wire, the longest the soak sends: reader command A0, its length
// byte, CLA INS P1 P2 Lc, four data bytes and Le (12 bytes) as character pairs, with STX, the
// header pair, the checksum pair and ETX.
inline constexpr int kLongestCommandFrame = 2 * 12 + 6;
// A read of 1 to 255 bytes at a random address of the memory card.
Exchange make_memory_read(Random& random);
Exchange make_exchange(CardKind kind, Random& random);

// Whether a call that returned 0 left exactly the known answer in the record.
bool matches(const QX_APDU& apdu, const KnownAnswer& expected);

// "Le 17, status 9000, data 01 02 03 ..." for the report of a wrong answer.
std::string describe(std::int32_t le, std::uint16_t status, const std::uint8_t* data);

}  // namespace soak
