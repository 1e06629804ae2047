#include "soak_exchanges.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace soak {
namespace {

constexpr std::uint8_t kEchoClass = 0x80;
constexpr std::uint8_t kEchoInstruction = 0xEE;
constexpr int kEchoDataLength = 4;
constexpr int kLongestRead = 255;  // the card answers no read above 255 bytes
constexpr int kBytesShown = 16;

int uniform(Random& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

}  // namespace

const char* name_of(CardKind kind) { return kind == CardKind::mcu ? "echo" : "memory read"; }

std::uint8_t memory_byte(std::size_t address) {
  // A well-mixed hash of the address, so that reads at different addresses see different bytes.
  auto x = static_cast<std::uint32_t>(address);
  x ^= x >> 16;
  x *= 0x7feb352du;
  x ^= x >> 15;
  x *= 0x846ca68bu;
  x ^= x >> 16;
  return static_cast<std::uint8_t>(x);
}

void write_memory_image(const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::binary);
  for (std::size_t address = 0; address < kMemorySize; ++address) out.put(static_cast<char>(memory_byte(address)));
  if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

Exchange make_echo(Random& random) {
  Exchange e;
  e.apdu.CLA = kEchoClass;
  e.apdu.INS = kEchoInstruction;
  e.apdu.Lc = kEchoDataLength;
  for (int i = 0; i < kEchoDataLength; ++i) e.apdu.DataIn[i] = static_cast<std::uint8_t>(random());
  e.apdu.Le = uniform(random, 1, QX_DATA_SIZE);  // 256 goes out as Le 00
  e.expected.le = e.apdu.Le;
  for (int i = 0; i < e.expected.le; ++i) e.expected.data[i] = e.apdu.DataIn[i % kEchoDataLength];
  return e;
}

Exchange make_memory_read(Random& random) {
  Exchange e;
  const int length = uniform(random, 1, kLongestRead);
  const int address = uniform(random, 0, static_cast<int>(kMemorySize) - length);
  e.apdu.INS = QXI_Read;
  e.apdu.P1 = static_cast<std::uint8_t>(address >> 8);
  e.apdu.P2 = static_cast<std::uint8_t>(address);
  e.apdu.Le = length;
  e.expected.le = length;
  for (int i = 0; i < length; ++i) e.expected.data[i] = memory_byte(static_cast<std::size_t>(address + i));
  return e;
}

Exchange make_exchange(CardKind kind, Random& random) {
  return kind == CardKind::mcu ? make_echo(random) : make_memory_read(random);
}

bool matches(const QX_APDU& apdu, const KnownAnswer& expected) {
  return apdu.Le == expected.le && apdu.Status == expected.status &&
         std::equal(expected.data.begin(), expected.data.begin() + expected.le, apdu.DataOut);
}

std::string describe(std::int32_t le, std::uint16_t status, const std::uint8_t* data) {
  char text[64];
  std::snprintf(text, sizeof text, "Le %d, status %04X, data", le, status);
  std::string line = text;
  const int shown = std::clamp(le, 0, kBytesShown);
  for (int i = 0; i < shown; ++i) {
    std::snprintf(text, sizeof text, " %02X", data[i]);
    line += text;
  }
  if (le > shown) line += " ...";
  return line;
}

}  // namespace soak
