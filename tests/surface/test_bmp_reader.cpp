#include "surface/bmp_reader.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"
#include "surface/dib_section.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A bitmap as SavePicture writes it, built byte by byte so single fields can be broken.
Bytes BitmapBytes(std::int32_t width, std::int32_t height, const std::vector<Colour> &topDown,
                  std::int32_t infoSize = 40) {
  const std::int32_t stride = (width * 3 + 3) & ~3;
  const std::int32_t offBits = 14 + infoSize;
  Bytes b(static_cast<std::size_t>(offBits + stride * height), 0);
  b[0] = 'B';
  b[1] = 'M';
  StoreI32(b.data() + 2, static_cast<std::int32_t>(b.size()));
  StoreI32(b.data() + 10, offBits);
  StoreI32(b.data() + 14, infoSize);
  StoreI32(b.data() + 18, width);
  StoreI32(b.data() + 22, height);
  StoreI16(b.data() + 26, 1);
  StoreI16(b.data() + 28, 24);
  StoreI32(b.data() + 34, stride * height);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      StorePixel(b.data() + offBits + (height - 1 - y) * stride + 3 * x,
                 topDown[static_cast<std::size_t>(y) * width + x]);
  return b;
}

TEST(ReadBMP, ReadsWhatSavePictureWrites) {
  test::TempDir dir;
  // Widths with each amount of row padding; the one-column bitmap has the most.
  for (const std::int32_t width : {1, 2, 3, 4, 5}) {
    cDIBSection surface;
    ASSERT_TRUE(surface.Create(width, 3));
    for (std::int32_t y = 0; y < 3; ++y)
      for (std::int32_t x = 0; x < width; ++x)
        surface.SetPixel(x, y, RGB(10 * x + 1, 20 * y + 2, 0xF0));
    const std::string path = dir.file("w" + std::to_string(width) + ".bmp");
    surface.SavePicture(path);
    const BmpImage image = ReadBMP(path);
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, 3);
    for (std::int32_t y = 0; y < 3; ++y)
      for (std::int32_t x = 0; x < width; ++x)
        EXPECT_EQ(image.at(x, y), surface.GetPixel(x, y)) << width << ": " << x << "," << y;
  }
}

TEST(ReadBMP, TopRowComesFirstAndColoursAreRedGreenBlue) {
  const Bytes b = BitmapBytes(2, 2, {0x0000FF, 0x00FF00, 0xFF0000, 0x123456});
  // The file's first row is the bottom one, each pixel stored blue, green, red.
  EXPECT_EQ(Bytes(b.begin() + 54, b.begin() + 60), (Bytes{0xFF, 0, 0, 0x12, 0x34, 0x56}));
  const BmpImage image = ParseBMP(b, "x.bmp");
  EXPECT_EQ(image.pixels, (std::vector<Colour>{0x0000FF, 0x00FF00, 0xFF0000, 0x123456}));
}

TEST(ReadBMP, EmptyBitmapsAndLongerHeaders) {
  const BmpImage zero = ParseBMP(BitmapBytes(0, 5, {}), "zero.bmp");
  EXPECT_EQ(zero.width, 0);
  EXPECT_EQ(zero.height, 5);
  EXPECT_TRUE(zero.pixels.empty());
  // Image editors often write the 108- or 124-byte successors of the 40-byte header.
  const BmpImage v5 = ParseBMP(BitmapBytes(1, 1, {0xABCDEF}, 124), "v5.bmp");
  EXPECT_EQ(v5.pixels, std::vector<Colour>{0xABCDEF});
}

struct BrokenCase {
  const char *name;
  std::function<void(Bytes &)> breakIt;
  const char *reason;
};

std::vector<BrokenCase> BrokenCases() {
  return {
      {"TooShort", [](Bytes &b) { b.resize(40); }, "too short"},
      {"NotBM", [](Bytes &b) { b[1] = 'X'; }, "\"BM\""},
      {"EightBit", [](Bytes &b) { StoreI16(b.data() + 28, 8); }, "8-bit"},
      {"TwoPlanes", [](Bytes &b) { StoreI16(b.data() + 26, 2); }, "2 planes"},
      {"Compressed", [](Bytes &b) { StoreI32(b.data() + 30, 1); }, "compressed"},
      {"TopDown", [](Bytes &b) { StoreI32(b.data() + 22, -2); }, "top-down"},
      {"NegativeWidth", [](Bytes &b) { StoreI32(b.data() + 18, -2); }, "negative width"},
      {"OldCoreHeader", [](Bytes &b) { StoreI32(b.data() + 14, 12); }, "12 bytes"},
      {"HeaderPastTheEnd", [](Bytes &b) { StoreI32(b.data() + 14, 4000); }, "4000 bytes"},
      {"PixelsInsideTheHeader", [](Bytes &b) { StoreI32(b.data() + 10, 20); }, "inside"},
      {"PixelsCutShort", [](Bytes &b) { b.pop_back(); }, "past the end"},
      // A size that would need gigabytes is refused from the file's length, before any
      // allocation.
      {"HugeSizeInASmallFile",
       [](Bytes &b) { StoreI32(b.data() + 18, 30000), StoreI32(b.data() + 22, 30000); },
       "past the end"},
  };
}

void PrintTo(const BrokenCase &c, std::ostream *os) { *os << c.name; }

class ReadBMPRefusal : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(ReadBMPRefusal, NamesTheFileAndTheFault) {
  Bytes b = BitmapBytes(2, 2, {1, 2, 3, 4});
  GetParam().breakIt(b);
  const auto error = test::ExpectError([&] { ParseBMP(b, "frame1c.bmp"); }, kBitmapReadErrorText,
                                       GetParam().reason);
  if (error) {
    EXPECT_NE(error->detail().find("frame1c.bmp"), std::string::npos) << error->detail();
  }
}

INSTANTIATE_TEST_SUITE_P(Bitmaps, ReadBMPRefusal, ::testing::ValuesIn(BrokenCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ReadBMP, MissingFileIsAReadError) {
  test::TempDir dir;
  test::ExpectError([&] { ReadBMP(dir.file("none.bmp")); }, kBitmapReadErrorText, "none.bmp");
}

} // namespace
} // namespace tessary
