#include "sprite/exports.hpp"
#include "sprite/rgba.hpp"
#include "sprite/slp_builder.hpp"
#include "support/picture_decode.hpp"
#include "support/test_support.hpp"
#include "surface/png_writer.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tessary {
namespace {

using test::BuildSLP;
using test::DecodePng;
using test::Parse;
using test::PixelAt;
using test::TestPalette;
using test::UniformFrame;
using Rgba = std::array<std::uint8_t, 4>;

Rgba Opaque(Colour c) {
  return {static_cast<std::uint8_t>(RedOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
          static_cast<std::uint8_t>(BlueOf(c)), 255};
}
constexpr Rgba kClear = {0, 0, 0, 0};
constexpr Rgba kShade = {0, 0, 0, 128};

// The frame's PNG file, decoded again by libpng.
RgbaImage FramePicture(const SLPFile &sprite, std::int32_t n = 1) {
  const test::DecodedPng png =
      DecodePng(EncodePNG(RenderFrameRgba(sprite, n, TestPalette(), DisplayOptions{})));
  EXPECT_TRUE(png.ok);
  return png.image;
}

TEST(RgbaPictures, EachLayerTakesItsPixel) {
  const PaletteTable palette = TestPalette();
  struct Case {
    const char *name;
    std::vector<std::uint8_t> commands; // one row, two pixels wide
    Rgba first, second;
  };
  const Case cases[] = {
      {"colour pixels in their palette colour",
       {0x08, 9, 200, 0x0F},
       Opaque(palette[9]),
       Opaque(palette[200])},
      {"player pixels in player 1's colours",
       {0x26, 7, 245, 0x0F},
       Opaque(palette[23]),
       Opaque(palette[5])},
      {"player fill", {0x2A, 3, 0x0F}, Opaque(palette[19]), Opaque(palette[19])},
      {"shadow is black at half cover", {0x2B, 0x0F}, kShade, kShade},
      {"inner then outer outline are transparent", {0x4E, 0x6E, 0x0F}, kClear, kClear},
      {"skipped pixels are transparent", {0x05, 0x04, 1, 0x0F}, kClear, Opaque(palette[1])},
      {"a row ending early leaves its tail undrawn", {0x04, 40, 0x0F}, Opaque(palette[40]), kClear},
      {"colour fill", {0x07 | 0x20, 77, 0x0F}, Opaque(palette[77]), Opaque(palette[77])},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const RgbaImage picture = FramePicture(Parse(BuildSLP({UniformFrame(2, 1, c.commands)})));
    ASSERT_EQ(picture.width, 2);
    ASSERT_EQ(picture.height, 1);
    EXPECT_EQ(PixelAt(picture, 0, 0), c.first);
    EXPECT_EQ(PixelAt(picture, 1, 0), c.second);
  }
}

TEST(RgbaPictures, MarginsAreTransparentAndTheFileIsAPalettePicture) {
  test::FrameSpec frame = UniformFrame(4, 2, {0x04, 3, 0x0F});
  frame.rows[1].left = 2; // row 2: two pixels of left margin, then the colour
  const std::vector<std::uint8_t> bytes =
      EncodePNG(RenderFrameRgba(Parse(BuildSLP({frame})), 1, TestPalette(), DisplayOptions{}));
  const test::DecodedPng png = DecodePng(bytes);
  ASSERT_TRUE(png.ok);
  // Two values (a colour and transparent) fit a palette, with a transparency chunk.
  EXPECT_EQ(png.storedFormat, static_cast<png_uint_32>(PNG_FORMAT_RGBA_COLORMAP));
  const Rgba colour = Opaque(TestPalette()[3]);
  EXPECT_EQ(PixelAt(png.image, 0, 0), colour);
  EXPECT_EQ(PixelAt(png.image, 1, 0), kClear);
  EXPECT_EQ(PixelAt(png.image, 0, 1), kClear);
  EXPECT_EQ(PixelAt(png.image, 1, 1), kClear);
  EXPECT_EQ(PixelAt(png.image, 2, 1), colour);
  EXPECT_EQ(PixelAt(png.image, 3, 1), kClear);
}

TEST(RgbaPictures, FramesWithoutPixelsAreOneTransparentPixel) {
  struct Case {
    const char *name;
    test::FrameSpec frame;
  };
  test::FrameSpec noRows = UniformFrame(5, 0, {});
  test::FrameSpec negativeWidth = UniformFrame(1, 1, {0x04, 1, 0x0F});
  negativeWidth.width = -3;
  const Case cases[] = {{"no rows", noRows},
                        {"no columns", UniformFrame(0, 2, {0x0F})},
                        {"negative width", negativeWidth}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const RgbaImage picture = FramePicture(Parse(BuildSLP({c.frame})));
    ASSERT_EQ(picture.width, 1);
    ASSERT_EQ(picture.height, 1);
    EXPECT_EQ(PixelAt(picture, 0, 0), kClear);
  }
}

TEST(RgbaPictures, SequenceAlignsFramesOnTheHotspotsOverATransparentCanvas) {
  test::TempDir dir;
  // Frame 1: 2 x 1, its row just above the hotspot; frame 2: 1 x 2, one column right of the
  // hotspot, its rows just above and on it; frame 3 has no pixels. The canvas is 2 x 2.
  const SLPFile sprite =
      Parse(BuildSLP({UniformFrame(2, 1, {0x08, 1, 2, 0x0F}, 0, 1),
                      UniformFrame(1, 2, {0x04, 3, 0x0F}, -1, 1), UniformFrame(0, 0, {})}));
  const std::string base = dir.file("walk");
  ExportImageSequencePNG(sprite, base, TestPalette(), DisplayOptions{});
  const PaletteTable palette = TestPalette();
  struct Expected {
    std::int32_t n;
    Rgba pixels[4]; // (0,0) (1,0) (0,1) (1,1)
  };
  const Expected expected[] = {
      {1, {Opaque(palette[1]), Opaque(palette[2]), kClear, kClear}},
      {2, {kClear, Opaque(palette[3]), kClear, Opaque(palette[3])}},
      {3, {kClear, kClear, kClear, kClear}},
  };
  for (const Expected &e : expected) {
    SCOPED_TRACE(e.n);
    const std::string name = SequenceFileName(base, e.n, PictureFormat::Png);
    EXPECT_EQ(name, base + "00" + std::to_string(e.n) + ".png");
    const test::DecodedPng png = DecodePng(test::ReadFile(name));
    ASSERT_TRUE(png.ok);
    ASSERT_EQ(png.image.width, 2);
    ASSERT_EQ(png.image.height, 2);
    for (std::int32_t i = 0; i < 4; ++i)
      EXPECT_EQ(PixelAt(png.image, i % 2, i / 2), e.pixels[i]) << "pixel " << i;
  }
}

TEST(RgbaPictures, SequenceOfFramesWithoutPixelsIsOneTransparentPixelEach) {
  test::TempDir dir;
  const SLPFile sprite = Parse(BuildSLP({UniformFrame(0, 0, {}), UniformFrame(3, 0, {})}));
  ExportImageSequencePNG(sprite, dir.file("e"), TestPalette(), DisplayOptions{});
  for (std::int32_t n = 1; n <= 2; ++n) {
    const test::DecodedPng png =
        DecodePng(test::ReadFile(SequenceFileName(dir.file("e"), n, PictureFormat::Png)));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.image.width, 1);
    EXPECT_EQ(png.image.height, 1);
    EXPECT_EQ(PixelAt(png.image, 0, 0), kClear);
  }
}

} // namespace
} // namespace tessary
