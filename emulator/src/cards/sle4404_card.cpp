// SLE4404: a code-protected memory of 52 bytes with a fuse pin (reader card-type byte 03):
// manufacturer area, issuer area, secret code with its error counter, a protected area, the
// application area, the erase code and its 64-bit erase counter.
#include "fuse_card.h"

namespace kitesim {
namespace {

constexpr FuseCardCode codes[] = {
    {.selector = {0x00, 0x08, 0x04}, .address = 8, .length = 2, .attempts = 10},
    {.selector = {0x00, 0x28, 0x40}, .address = 40, .length = 4, .attempts = std::nullopt, .erase_counter = {44, 8}},
};

constexpr FuseCardArea areas[] = {
    {0, 2, AreaKind::fixed},                 // manufacturer area
    {2, 6, AreaKind::issuer},                // issuer area
    {8, 2, AreaKind::code, 0},               // card secret code
    {10, 2, AreaKind::counter},              // error counter
    {12, 2, AreaKind::application},          // protected area
    {14, 26, AreaKind::application, -1, 1},  // application area
    {40, 4, AreaKind::code, 1},              // erase code
    {44, 8, AreaKind::counter},              // erase counter
};

constexpr FuseCardModel model{.name = "sle4404", .size = 52, .codes = codes, .areas = areas, .blow_fuse = false};

}  // namespace

std::unique_ptr<Card> make_sle4404(const CardOptions& options) {
  return std::make_unique<FuseCard>(model, options.memory_file);
}

}  // namespace kitesim
