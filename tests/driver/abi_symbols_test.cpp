// libPelorus32.so exports exactly the ten functions, and the records have their fixed layout.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "elf_symbols.h"
#include "pelorus32.h"

extern "C" int pelorus32_header_compiles_as_c(void);

namespace {

TEST(Abi, LibraryExportsExactlyTheTenFunctions) {
  const std::set<std::string> expected = {"QX_Open",         "QX_Close",        "QX_StartSession",     "QX_EndSession",
                                          "QX_GetInfo",      "QX_SetOptions",   "QX_Options",          "QX_ExchangeAPDU",
                                          "QX_RegisterCallback", "GetReaderErrorCode"};
  EXPECT_EQ(test_support::exported_symbols(PELORUS32_LIBRARY), expected);
}

TEST(Abi, RecordsHaveTheirFixedSizes) {
  EXPECT_EQ(sizeof(QX_APDU), 528u);
  EXPECT_EQ(sizeof(QX_SESSION), 132u);
  EXPECT_EQ(sizeof(QX_INFO), 32u);
  EXPECT_EQ(pelorus32_header_compiles_as_c(), 528 + 132 + 32);
}

TEST(Abi, LastStatusWordStartsAtZero) { EXPECT_EQ(GetReaderErrorCode(), 0); }

}  // namespace
