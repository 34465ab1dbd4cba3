#include "support/picture_decode.hpp"
#include "surface/png_writer.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace tessary {
namespace {

// A picture made of `colours` distinct values drawn at random, with runs, shadows and clear
// pixels among them as in a sprite frame.
RgbaImage Picture(std::int32_t w, std::int32_t h, unsigned colours, unsigned seed) {
  RgbaImage image(w, h);
  std::mt19937 random(seed);
  std::uint8_t *p = image.pixels.data();
  unsigned value = 0;
  for (std::int32_t i = 0; i < w * h; ++i, p += 4) {
    if (random() % 4 == 0)
      value = static_cast<unsigned>(random() % colours);
    if (value == 0) { // clear: stays (0, 0, 0, 0)
    } else if (value == 1) {
      p[3] = 128; // shadow
    } else {
      p[0] = static_cast<std::uint8_t>(value);
      p[1] = static_cast<std::uint8_t>(value >> 8);
      p[2] = 0x40;
      p[3] = 255;
    }
  }
  return image;
}

TEST(PngWriter, EveryEncodingDecodesToTheSamePixels) {
  using Filter = PngEncoding::Filter;
  struct Case {
    const char *name;
    RgbaImage image;
    bool storedAsPalette; // with the default encoding
  };
  RgbaImage translucentLast(3, 1);
  translucentLast.pixels = {9, 8, 7, 255, 1, 2, 3, 255, 0, 0, 0, 128};
  const Case cases[] = {
      {"one clear pixel for an empty picture", RgbaImage(), true},
      {"clear and shadow only", Picture(17, 5, 2, 1), true},
      {"a translucent value met last", translucentLast, true},
      {"256 values, clear and shadow among them", Picture(128, 128, 256, 2), true},
      {"254 colours, clear and shadow: one more than a palette holds", Picture(128, 128, 257, 3),
       false},
      {"a tall thin picture", Picture(1, 300, 20, 4), true},
  };
  using Matching = PngEncoding::Matching;
  const PngEncoding encodings[] = {
      {},
      {false, Filter::None, Filter::None, 0, Matching::Anywhere, Matching::Anywhere},
      {true, Filter::Adaptive, Filter::Paeth, 9, Matching::Anywhere, Matching::RunsOnly},
      {true, Filter::Up, Filter::Adaptive, 1, Matching::RunsOnly, Matching::Anywhere},
      {false, Filter::Sub, Filter::Up, 6, Matching::Anywhere, Matching::RunsOnly},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const RgbaImage expected = c.image.empty() ? RgbaImage(1, 1) : c.image;
    const test::DecodedPng fallback = test::DecodePng(EncodePNG(c.image));
    ASSERT_TRUE(fallback.ok);
    EXPECT_EQ((fallback.storedFormat & PNG_FORMAT_FLAG_COLORMAP) != 0, c.storedAsPalette);
    for (std::size_t e = 0; e < std::size(encodings); ++e) {
      SCOPED_TRACE("encoding " + std::to_string(e));
      const test::DecodedPng png = test::DecodePng(EncodePNG(c.image, encodings[e]));
      ASSERT_TRUE(png.ok);
      EXPECT_EQ(png.image.width, expected.width);
      EXPECT_EQ(png.image.height, expected.height);
      EXPECT_EQ(png.image.pixels, expected.pixels);
    }
  }
}

TEST(PngWriter, EqualPicturesGiveEqualFilesAndTheBufferIsReplaced) {
  const RgbaImage image = Picture(30, 30, 40, 7);
  std::vector<std::uint8_t> reused(100000, 0xAB);
  EncodePNGInto(image, reused);
  EXPECT_EQ(reused, EncodePNG(image));
  EXPECT_EQ(reused, EncodePNG(Picture(30, 30, 40, 7)));
}

TEST(PngWriter, APalettePictureIsSmallerThanRgba) {
  const RgbaImage image = Picture(200, 200, 200, 9);
  const auto palette = EncodePNG(image);
  PngEncoding rgba;
  rgba.palette = false;
  EXPECT_LT(palette.size(), EncodePNG(image, rgba).size());
}

} // namespace
} // namespace tessary
