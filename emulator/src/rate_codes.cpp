#include "rate_codes.h"

#include <array>
#include <span>

namespace kitesim {
namespace {

struct RateCode {
  std::uint32_t rate;
  std::uint8_t code;
};

constexpr std::array kitea_rates{
    RateCode{9600, 0x21},
    RateCode{19200, 0x20},
    RateCode{38400, 0x01},
};

constexpr std::array kiteb_rates{
    RateCode{9600, 0x12},  RateCode{14400, 0x03}, RateCode{19200, 0x11},  RateCode{28800, 0x02},
    RateCode{38400, 0x10}, RateCode{57600, 0x01}, RateCode{115200, 0x00},
};

std::span<const RateCode> rates_of(Model model) {
  if (model == Model::KITEA) return kitea_rates;
  return kiteb_rates;
}

}  // namespace

std::optional<std::uint8_t> rate_code(Model model, std::uint32_t rate) {
  for (const RateCode& entry : rates_of(model))
    if (entry.rate == rate) return entry.code;
  return std::nullopt;
}

std::optional<std::uint32_t> rate_for_code(Model model, std::uint8_t code) {
  for (const RateCode& entry : rates_of(model))
    if (entry.code == code) return entry.rate;
  return std::nullopt;
}

}  // namespace kitesim
