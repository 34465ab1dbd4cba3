// Inputs the fuzzers found, kept byte for byte.
#include "common/error.hpp"
#include "surface/bmp_reader.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace tessary {
namespace {

// A 54-byte bitmap header claiming 0 x 2147483647 pixels: the reader walked every one of its
// empty rows, a stall of many seconds for a file that holds no pixels at all.
TEST(BitmapFuzzRegressions, NoColumnsAndTwoBillionRows) {
  const std::vector<std::uint8_t> bytes = {
      'B',  'M',  54,   0,    0, 0, 0, 0, 0, 0, 54, 0, 0, 0, // file header, pixels at 54
      40,   0,    0,    0,                                   // information header of 40 bytes
      0,    0,    0,    0,                                   // width 0
      0xFF, 0xFF, 0xFF, 0x7F,                                // height 2147483647
      1,    0,    24,   0,                                   // one plane, 24 bits
      0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(bytes.size(), 54u);
  const BmpImage image = ParseBMP(bytes, "regression.bmp");
  EXPECT_EQ(image.width, 0);
  EXPECT_EQ(image.height, INT_MAX);
  EXPECT_TRUE(image.pixels.empty());
}

} // namespace
} // namespace tessary
