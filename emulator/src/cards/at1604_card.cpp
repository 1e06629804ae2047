// AT1604: a code-protected memory of 2007 bytes with a fuse (reader card-type byte 03):
// fabrication and issuer zones, the security code and its attempts counter, the code-protected
// zone, and four zones each behind a security code of its own (zone 1 with an attempts counter
// in the memory) and an erase key with its attempts counter; a memory test zone at the end.
#include "fuse_card.h"

namespace kitesim {
namespace {

constexpr FuseCardCode codes[] = {
    {.selector = {0x00, 0x0A, 0x08}, .address = 10, .length = 2, .attempts = 12},              // security code
    {.selector = {0x00, 0x18, 0x08}, .address = 24, .length = 2, .attempts = 26},              // erase key 1
    {.selector = {0x04, 0xC8, 0x08}, .address = 1224, .length = 2, .attempts = 1226},          // erase key 2
    {.selector = {0x05, 0xCD, 0x08}, .address = 1485, .length = 2, .attempts = 1487},          // erase key 3
    {.selector = {0x06, 0xD2, 0x08}, .address = 1746, .length = 2, .attempts = 1748},          // erase key 4
    {.selector = {0x00, 0x15, 0x08}, .address = 21, .length = 2, .attempts = 23},              // zone 1 code
    {.selector = {0x04, 0xC6, 0xFF}, .address = 1222, .length = 2, .attempts = std::nullopt},  // zone 2 code
    {.selector = {0x05, 0xCB, 0xFF}, .address = 1483, .length = 2, .attempts = std::nullopt},  // zone 3 code
    {.selector = {0x06, 0xD0, 0xFF}, .address = 1744, .length = 2, .attempts = std::nullopt},  // zone 4 code
};

constexpr FuseCardArea areas[] = {
    {0, 2, AreaKind::fixed},                   // fabrication zone
    {2, 8, AreaKind::issuer},                  // issuer zone
    {10, 2, AreaKind::code, 0},                // security code
    {12, 1, AreaKind::counter},                // attempts counter
    {13, 8, AreaKind::application},            // code protected zone
    {21, 2, AreaKind::code, 5},                // zone 1 security code
    {23, 1, AreaKind::counter},                // its attempts counter
    {24, 2, AreaKind::code, 1},                // zone 1 erase key
    {26, 1, AreaKind::counter},                // its attempts counter
    {27, 1195, AreaKind::application, 5, 1},   // zone 1
    {1222, 2, AreaKind::code, 6},              // zone 2 security code
    {1224, 2, AreaKind::code, 2},              // zone 2 erase key
    {1226, 1, AreaKind::counter},              // its attempts counter
    {1227, 256, AreaKind::application, 6, 2},  // zone 2
    {1483, 2, AreaKind::code, 7},              // zone 3 security code
    {1485, 2, AreaKind::code, 3},              // zone 3 erase key
    {1487, 1, AreaKind::counter},              // its attempts counter
    {1488, 256, AreaKind::application, 7, 3},  // zone 3
    {1744, 2, AreaKind::code, 8},              // zone 4 security code
    {1746, 2, AreaKind::code, 4},              // zone 4 erase key
    {1748, 1, AreaKind::counter},              // its attempts counter
    {1749, 256, AreaKind::application, 8, 4},  // zone 4
    {2005, 2, AreaKind::test},                 // memory test zone
};

constexpr FuseCardModel model{.name = "at1604", .size = 2007, .codes = codes, .areas = areas, .blow_fuse = true};

}  // namespace

std::unique_ptr<Card> make_at1604(const CardOptions& options) {
  return std::make_unique<FuseCard>(model, options.memory_file);
}

}  // namespace kitesim
