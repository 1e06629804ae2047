// GPM896: a code-protected memory of 112 bytes with a fuse pin (reader card-type byte 03):
// manufacturer and issuer areas, secret code and error counter, a protected area, two
// application areas with their erase codes, the second with a 128-bit erase counter.
#include "fuse_card.h"

namespace kitesim {
namespace {

constexpr FuseCardCode codes[] = {
    {.selector = {0x00, 0x0A, 0x04}, .address = 10, .length = 2, .attempts = 12},
    {.selector = {0x00, 0x36, 0x00}, .address = 54, .length = 6, .attempts = std::nullopt},
    {.selector = {0x00, 0x5C, 0x80}, .address = 92, .length = 4, .attempts = std::nullopt, .erase_counter = {96, 16}},
};

constexpr FuseCardArea areas[] = {
    {0, 2, AreaKind::fixed},                 // manufacturer area
    {2, 8, AreaKind::issuer},                // issuer area
    {10, 2, AreaKind::code, 0},              // card secret code
    {12, 2, AreaKind::counter},              // error counter
    {14, 8, AreaKind::application},          // protected area
    {22, 32, AreaKind::application, -1, 1},  // application area 1
    {54, 6, AreaKind::code, 1},              // erase code 1
    {60, 32, AreaKind::application, -1, 2},  // application area 2
    {92, 4, AreaKind::code, 2},              // erase code 2
    {96, 16, AreaKind::counter},             // erase counter 2
};

constexpr FuseCardModel model{.name = "gpm896", .size = 112, .codes = codes, .areas = areas, .blow_fuse = false};

}  // namespace

std::unique_ptr<Card> make_gpm896(const CardOptions& options) {
  return std::make_unique<FuseCard>(model, options.memory_file);
}

}  // namespace kitesim
