#include "CommandSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// The offered commands per card type, as lists: a second writing of the table that catches a
// slipped flag in the first.
const std::map<int, std::set<int>> kOfferedLists = {
    {1, {1, 2, 4, 8}},           {2, {1, 2, 4, 8, 9}},
    {3, {1, 2, 3, 4, 7}},        {4, {1, 2, 3, 4, 7}},
    {5, {1, 2, 3, 4, 7, 19}},    {6, {1, 2, 3, 4, 7, 19}},
    {7, {1, 2, 5}},              {8, {1, 2, 4, 5, 11}},
    {9, {1, 2, 5}},              {10, {1, 2, 4, 5, 6, 11}},
    {11, {1, 2, 18}},            {12, {1, 2, 10, 11, 12, 18}},
    {13, {1, 2, 3, 4, 6, 7, 9, 19}}, {14, {}},
    {15, {}},                    {16, {}},
    {17, {1, 2, 10, 11, 13, 14, 15}}, {18, {1, 2, 7, 10, 11, 13, 14, 15, 16}},
    {19, {1, 2, 4, 6, 10, 11, 15, 16}}, {20, {1, 2}},
    {21, {1, 2, 4, 7, 8, 9}},    {22, {1, 2, 4, 7, 8, 9}},
    {23, {1, 2, 4, 6, 15, 17}},  {24, {1, 2, 4, 6, 15, 17}},
    {25, {1, 2, 4, 6}},
};

TEST(CommandSupport, EveryFlagMatchesTheOfferedLists) {
  for (const auto& [card_type, offered] : kOfferedLists) {
    for (int ins = 1; ins <= 19; ++ins) {
      EXPECT_EQ(kestrel::command_offered(card_type, ins), offered.count(ins) == 1)
          << "card type " << card_type << ", INS " << ins;
    }
  }
}

TEST(CommandSupport, OutsideTheTableNothingIsOffered) {
  EXPECT_FALSE(kestrel::command_offered(0, 1));
  EXPECT_FALSE(kestrel::command_offered(26, 1));
  EXPECT_FALSE(kestrel::command_offered(1, 0));
  EXPECT_FALSE(kestrel::command_offered(1, 20));
}

}  // namespace
