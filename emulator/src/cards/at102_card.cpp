// AT102: a code-protected memory of 178 bytes with a fuse (reader card-type byte 03):
// fabrication and issuer zones, security code and attempts counter, the code-protected zone,
// two application zones with their erase keys, the second with a 128-bit erase counter, and a
// memory test zone.
#include "fuse_card.h"

namespace kitesim {
namespace {

constexpr FuseCardCode codes[] = {
    {.selector = {0x00, 0x0A, 0x10}, .address = 10, .length = 2, .attempts = 12},
    {.selector = {0x00, 0x56, 0x00}, .address = 86, .length = 6, .attempts = std::nullopt},
    {.selector = {0x00, 0x9C, 0x80}, .address = 156, .length = 4, .attempts = std::nullopt, .erase_counter = {160, 16}},
};

constexpr FuseCardArea areas[] = {
    {0, 2, AreaKind::fixed},                 // fabrication zone
    {2, 8, AreaKind::issuer},                // issuer zone
    {10, 2, AreaKind::code, 0},              // security code
    {12, 2, AreaKind::counter},              // attempts counter
    {14, 8, AreaKind::application},          // code protected zone
    {22, 64, AreaKind::application, -1, 1},  // application zone 1
    {86, 6, AreaKind::code, 1},              // zone 1 erase key
    {92, 64, AreaKind::application, -1, 2},  // application zone 2
    {156, 4, AreaKind::code, 2},             // zone 2 erase key
    {160, 16, AreaKind::counter},            // erase counter
    {176, 2, AreaKind::test},                // memory test zone
};

constexpr FuseCardModel model{.name = "at102", .size = 178, .codes = codes, .areas = areas, .blow_fuse = true};

}  // namespace

std::unique_ptr<Card> make_at102(const CardOptions& options) {
  return std::make_unique<FuseCard>(model, options.memory_file);
}

}  // namespace kitesim
