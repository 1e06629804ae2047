#include "MemoryCardTree.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace kestrel {
namespace {

template <size_t N>
using Areas = std::array<MemoryArea, N>;

// The areas of several parts one after the other, for the layouts that chips share in part.
template <size_t... N>
constexpr Areas<(N + ...)> join(const Areas<N>&... parts) {
  Areas<(N + ...)> joined{};
  size_t at = 0;
  ((std::copy(parts.begin(), parts.end(), joined.begin() + static_cast<std::ptrdiff_t>(at)), at += N), ...);
  return joined;
}

// The five stages of the 104-bit counter cards.
constexpr Areas<5> kCounterStages{{
    {"Counter 4096", 8, 1}, {"Counter 512", 9, 1}, {"Counter 64", 10, 1}, {"Counter 8", 11, 1}, {"Counter 1", 12, 1}}};

constexpr auto kCounterLayout = join(Areas<2>{{{"Manufacturer Area", 0, 3}, {"Issuer Area", 3, 5}}}, kCounterStages);

constexpr Areas<8> kCodeLayout{{{"Manufacturer Area", 0, 2},
                                {"Issuer Area", 2, 6},
                                {"Card Secret Code", 8, 2},
                                {"Error Counter", 10, 2},
                                {"Protected Area", 12, 2},
                                {"Application Area", 14, 26},
                                {"Erase Code", 40, 4},
                                {"Erase Counter", 44, 8}}};

// The name of the tearing flags is the chip table's, letters as they stand.
constexpr auto kTransportLayout =
    join(Areas<2>{{{"Circuit ID Area", 0, 2}, {"Card ID Area", 2, 6}}}, kCounterStages,
         Areas<4>{{{"Certificate", 14, 2}, {"Authentication Key", 16, 8}, {"Anit-tearing flags", 36, 4},
                   {"User Area", 40, 7}}});

constexpr auto kSle4436 = join(Areas<2>{{{"Chip ID Area", 0, 3}, {"Card ID Area", 3, 5}}}, kCounterStages,
                               Areas<4>{{{"Control Area", 13, 1},
                                         {"Aux. Data Area", 14, 2},
                                         {"Authentication Key 1", 16, 6},
                                         {"Authentication Key 2", 40, 8}}});

constexpr MemoryArea kFree128[] = {{"Free Area", 0, 128}};
constexpr MemoryArea kFree256[] = {{"Free Area", 0, 256}};
constexpr MemoryArea kFree512[] = {{"Free Area", 0, 512}};
constexpr MemoryArea kFree1024[] = {{"Free Area", 0, 1024}};
constexpr MemoryArea kFree2048[] = {{"Free Area", 0, 2048}};
constexpr MemoryArea kProtected1024[] = {{"Protected Memory", 0, 1024}};
constexpr MemoryArea kProtected256[] = {{"Protected Memory", 0, 32}, {"Main Memory", 32, 224}};
constexpr MemoryArea kRegisters32[] = {{"Registers", 0, 32}};
constexpr MemoryArea kRegisters512[] = {{"Registers", 0, 512}};

constexpr MemoryArea kAt88sc101[] = {
    {"Fabrication Zone", 0, 2},     {"Issuer Zone", 2, 8},          {"Security Code", 10, 2},
    {"Attempts Counter", 12, 2},    {"Code Protected Zone", 14, 8}, {"Application Zone 1", 22, 128},
    {"Zone 1 Erase Key", 150, 4},   {"Erase Counter", 154, 16},     {"Memory Test Zone", 170, 2}};
constexpr MemoryArea kAt88sc102[] = {
    {"Fabrication Zone", 0, 2},    {"Issuer Zone", 2, 8},          {"Security Code", 10, 2},
    {"Attempts Counter", 12, 2},   {"Code Protected Zone", 14, 8}, {"Application Zone 1", 22, 64},
    {"Zone 1 Erase Key", 86, 6},   {"Application Zone 2", 92, 64}, {"Zone 2 Erase Key", 156, 4},
    {"Erase Counter", 160, 16},    {"Memory Test Zone", 176, 2}};
constexpr MemoryArea kAt88sc1604[] = {
    {"Fabrication Zone", 0, 2},
    {"Issuer Zone", 2, 8},
    {"Security Code", 10, 2},
    {"Attempts Counter", 12, 1},
    {"Code Protected Zone", 13, 8},
    {"Zone 1 Security Code", 21, 2},
    {"Zone 1 SC1 Attempts Counter", 23, 1},
    {"Zone 1 Erase Key", 24, 2},
    {"Zone 1 EZ1 Attempts Counter", 26, 1},
    {"Zone 1", 27, 1195},
    {"Zone 2 Security Code", 1222, 2},
    {"Zone 2 Erase Key", 1224, 2},
    {"Zone 2 EZ2 Attempts Counter", 1226, 1},
    {"Zone 2", 1227, 256},
    {"Zone 3 Security Code", 1483, 2},
    {"Zone 3 Erase Key", 1485, 2},
    {"Zone 3 EZ3 Attempts Counter", 1487, 1},
    {"Zone 3", 1488, 256},
    {"Zone 4 Security Code", 1744, 2},
    {"Zone 4 Erase Key", 1746, 2},
    {"Zone 4 EZ4 Attempts Counter", 1748, 1},
    {"Zone 4", 1749, 256},
    {"Memory Test Zone", 2005, 2}};
constexpr MemoryArea kGpm896[] = {
    {"Manufacturer Area", 0, 2},   {"Issuer Area", 2, 8},          {"Card Secret Code", 10, 2},
    {"Error Counter", 12, 2},      {"Protected Area", 14, 8},      {"Application Area 1", 22, 32},
    {"Erase Code 1", 54, 6},       {"Application Area 2", 60, 32}, {"Erase Code 2", 92, 4},
    {"Erase Counter 2", 96, 16}};
constexpr MemoryArea kX24645[] = {{"Free Area", 49152, 8192}};
constexpr MemoryArea kX76f041[] = {{"Block0", 0, 128}, {"Block1", 128, 128}, {"Block2", 256, 128}, {"Block3", 384, 128}};
constexpr MemoryArea kX76f128[] = {{"Array0", 0, 16384}, {"Array1", 32768, 64}};
constexpr MemoryArea kX76f640[] = {{"Array0", 0, 8192}, {"Array1", 32768, 64}};
constexpr MemoryArea kX76f100[] = {{"Array0", 0, 112}};

constexpr MemoryChip kTolvik[] = {
    {"LM1KF", 11, kFree128},      {"LM2KF", 11, kFree256},      {"LM4KF", 11, kFree512},
    {"LM8KP", 7, kProtected1024}, {"LM8KS", 8, kProtected1024}, {"LM2KP", 9, kProtected256},
    {"LM2KS", 10, kProtected256}, {"LM256", 17, kRegisters32},  {"LM4KP", 18, kRegisters512}};
constexpr MemoryChip kAtmel[] = {
    {"AT88SC06", 1, kCounterLayout}, {"AT88SC101", 5, kAt88sc101}, {"AT88SC102", 6, kAt88sc102},
    {"AT88SC1604", 13, kAt88sc1604}, {"AT24C01", 11, kFree128},    {"AT24C02", 11, kFree256},
    {"AT24C08", 11, kFree1024},      {"AT24C16", 11, kFree2048}};
constexpr MemoryChip kGemplus[] = {
    {"GPM103", 1, kCounterLayout}, {"GPM416", 3, kCodeLayout}, {"GPM896", 4, kGpm896},   {"GFM1K", 11, kFree128},
    {"GFM2K", 11, kFree256},       {"GFM4K", 11, kFree512},    {"GFM8K", 11, kFree1024}};
constexpr MemoryChip kSgsThomson[] = {{"ST1305", 1, kCounterLayout},
                                      {"ST14C02C", 11, kFree256},
                                      {"ST14C04C", 11, kFree512},
                                      {"ST1333", 22, kTransportLayout},
                                      {"ST1335", 21, kTransportLayout}};
constexpr MemoryChip kSiemens[] = {
    {"SLE4406", 1, kCounterLayout}, {"SLE4436", 2, kSle4436},      {"SLE4404", 3, kCodeLayout},
    {"SLE4418", 7, kProtected1024}, {"SLE4428", 8, kProtected1024}, {"SLE4432", 9, kProtected256},
    {"SLE4442", 10, kProtected256}};
constexpr MemoryChip kXicor[] = {{"X24645", 20, kX24645},
                                 {"X76F041", 19, kX76f041},
                                 {"X76F128", 23, kX76f128},
                                 {"X76F640", 24, kX76f640},
                                 {"X76F100", 25, kX76f100}};

constexpr ChipMaker kChipMakers[] = {{"Tolvik", kTolvik},           {"Atmel", kAtmel},     {"Gemplus", kGemplus},
                                     {"SGS-Thomson", kSgsThomson}, {"Siemens", kSiemens}, {"Xicor", kXicor}};

}  // namespace

std::span<const ChipMaker> chip_makers() { return kChipMakers; }

}  // namespace kestrel
