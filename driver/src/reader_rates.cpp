#include "reader_rates.h"

#include <array>
#include <span>

#include "pelorus32.h"

namespace pelorus {
namespace {

struct RateCode {
  int32_t rate;
  uint8_t code;
};

constexpr std::array<RateCode, 7> kKitebRates = {{
    {9600, 0x12}, {14400, 0x03}, {19200, 0x11}, {28800, 0x02}, {38400, 0x10}, {57600, 0x01}, {115200, 0x00},
}};
constexpr std::array<RateCode, 3> kKiteaRates = {{{9600, 0x21}, {19200, 0x20}, {38400, 0x01}}};
constexpr std::array<RateCode, 4> kAnnouncedRates = {{{115200, 0x00}, {57600, 0x01}, {19200, 0x11}, {9600, 0x12}}};

}  // namespace

int32_t initial_rate(uint8_t reader_type) {
  switch (reader_type) {
    case QX_READER_KITEB_57600: return 57600;
    case QX_READER_KITEB_19200: return 19200;
    case QX_READER_KITEB_115200: return 115200;
    default: return 9600;
  }
}

std::optional<int32_t> announced_rate(uint8_t code) {
  for (const auto& entry : kAnnouncedRates) {
    if (entry.code == code) return entry.rate;
  }
  return std::nullopt;
}

std::optional<uint8_t> rate_change_code(bool kitea, int32_t bits_per_second) {
  for (const auto& entry : kitea ? std::span<const RateCode>(kKiteaRates) : std::span<const RateCode>(kKitebRates)) {
    if (entry.rate == bits_per_second) return entry.code;
  }
  return std::nullopt;
}

int32_t top_rate(bool kitea) { return kitea ? 38400 : 115200; }

}  // namespace pelorus
