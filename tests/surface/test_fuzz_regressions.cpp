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

// Width 1,660,968,320 and height 2147483647: the row size times the row count passed 64 bits
// before the reader compared it with the file's length (undefined behaviour).
TEST(BitmapFuzzRegressions, SidesWhoseProductPasses64Bits) {
  const std::vector<std::uint8_t> bytes = {
      0x42, 0x4d, 0x36, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00,
      0x28, 0x00, 0x00, 0x00, 0x80, 0x5d, 0x00, 0x63, 0xff, 0xff, 0xff, 0x7f, 0x01, 0x00,
      0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x33, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5b, 0x00, 0x00, 0x00, 0x00};
  try {
    ParseBMP(bytes, "regression.bmp");
    ADD_FAILURE() << "read without an error";
  } catch (const Error &e) {
    EXPECT_EQ(e.message(), "Error reading bitmap file!");
    EXPECT_EQ(e.detail(), "regression.bmp: 1660968320 x 2147483647 pixels run past the end of "
                          "the file (54 bytes)");
  }
}

} // namespace
} // namespace tessary
