#include "common/hex.hpp"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(HexDigitValue, DigitsOfEitherCaseAndNothingElse) {
  const struct {
    char c;
    int value;
  } cases[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'f', 15}, {'A', 10}, {'F', 15}, {'g', -1},
               {'G', -1}, {'/', -1}, {':', -1}, {'@', -1}, {'`', -1}, {' ', -1}, {'\0', -1}};
  for (const auto &c : cases)
    EXPECT_EQ(HexDigitValue(c.c), c.value) << c.c;
}

} // namespace
} // namespace tessary
