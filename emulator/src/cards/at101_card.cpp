// AT101: a code-protected memory of 172 bytes with a fuse (reader card-type byte 03):
// fabrication and issuer zones, security code and attempts counter, the code-protected zone,
// application zone 1 with its erase key and 128-bit erase counter, and a memory test zone.
#include "fuse_card.h"

namespace kitesim {
namespace {

constexpr FuseCardCode codes[] = {
    {.selector = {0x00, 0x0A, 0x10}, .address = 10, .length = 2, .attempts = 12},
    {.selector = {0x00, 0x96, 0x80}, .address = 150, .length = 4, .attempts = std::nullopt, .erase_counter = {154, 16}},
};

constexpr FuseCardArea areas[] = {
    {0, 2, AreaKind::fixed},                  // fabrication zone
    {2, 8, AreaKind::issuer},                 // issuer zone
    {10, 2, AreaKind::code, 0},               // security code
    {12, 2, AreaKind::counter},               // attempts counter
    {14, 8, AreaKind::application},           // code protected zone
    {22, 128, AreaKind::application, -1, 1},  // application zone 1
    {150, 4, AreaKind::code, 1},              // zone 1 erase key
    {154, 16, AreaKind::counter},             // erase counter
    {170, 2, AreaKind::test},                 // memory test zone
};

constexpr FuseCardModel model{.name = "at101", .size = 172, .codes = codes, .areas = areas, .blow_fuse = true};

}  // namespace

std::unique_ptr<Card> make_at101(const CardOptions& options) {
  return std::make_unique<FuseCard>(model, options.memory_file);
}

}  // namespace kitesim
