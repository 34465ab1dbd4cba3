#include "common/error.hpp"
#include "sprite/display_options.hpp"
#include "sprite/slp_builder.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"
#include "surface/bmp_writer.hpp"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessary {
namespace {

using test::BuildSLP;
using test::Repeat;
using test::RowColours;
using test::RowSpec;

const PaletteTable P = test::TestPalette();
constexpr Colour U = 0x000000;

// A 7-pixel row with one pixel of every layer: palette, player, shadow, inner outline, outer
// outline, transparent, and one pixel left undrawn.
const std::vector<std::uint8_t> kAllLayers = {0x04, 9, 0x0E, 1, 0x1B, 0x4E, 0x6E, 0x05, 0x0F};

test::BuiltSLP AllLayersSprite(std::int32_t rows = 1) {
  return BuildSLP({test::UniformFrame(7, rows, kAllLayers)});
}

TEST(DisplayOptions, StartUpDefaults) {
  const DisplayOptions o;
  EXPECT_EQ(o.playerIndex, 0);
  EXPECT_EQ(o.maskColour, 0x000000u);
  EXPECT_EQ(o.shadowColour, RGB(127, 127, 127));
  EXPECT_EQ(o.innerOutlineColour, 0xFF0000u);
  EXPECT_EQ(o.outerOutlineColour, 0x00FFFFu);
}

TEST(Recolour, EachLayerTakesItsColour) {
  struct Case {
    const char *name;
    DisplayOptions options;
    std::vector<Colour> row;
  };
  const DisplayOptions defaults;
  auto with = [&](Colour DisplayOptions::*slot, Colour c) {
    DisplayOptions o = defaults;
    o.*slot = c;
    return o;
  };
  const Colour grey = RGB(127, 127, 127);
  const Case cases[] = {
      {"defaults", defaults, {P[9], P[16], grey, 0xFF0000, 0x00FFFF, U, U}},
      {"mask",
       with(&DisplayOptions::maskColour, 0x010203),
       {P[9], P[16], grey, 0xFF0000, 0x00FFFF, 0x010203, U}},
      {"shadow",
       with(&DisplayOptions::shadowColour, 0x0A0B0C),
       {P[9], P[16], 0x0A0B0C, 0xFF0000, 0x00FFFF, U, U}},
      {"inner outline",
       with(&DisplayOptions::innerOutlineColour, 0x00FF00),
       {P[9], P[16], grey, 0x00FF00, 0x00FFFF, U, U}},
      {"outer outline",
       with(&DisplayOptions::outerOutlineColour, 0xFFFFFF),
       {P[9], P[16], grey, 0xFF0000, 0xFFFFFF, U, U}},
      {"a code colour as mask",
       with(&DisplayOptions::maskColour, kMapBlue),
       {P[9], P[16], grey, 0xFF0000, 0x00FFFF, kMapBlue, U}},
  };
  const SLPFile sprite = test::Parse(AllLayersSprite());
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    auto d = test::DecodeFrame(sprite);
    Recolour(d.image, d.map, c.options);
    EXPECT_EQ(RowColours(d.image, 0), c.row);
  }
}

TEST(Recolour, LongRunsAndMixedStretchesAlike) {
  // Runs of eight and more go through the map a group at a time; check every kind of stretch,
  // and a row that does not end on a group boundary.
  const std::vector<Colour> map = test::Join(
      {Repeat(8, kMapWhite),
       Repeat(9, kKeyMagenta),
       Repeat(8, kMapBlue),
       Repeat(8, kMapGreen),
       {kMapYellow, kShadowRed, kMapWhite, kMapYellow, kShadowRed, kMapBlue, kKeyMagenta, 0x0},
       Repeat(10, kShadowRed),
       Repeat(3, kMapYellow)});
  const auto width = static_cast<std::int32_t>(map.size());
  cDIBSection image, layer;
  image.Create(width, 2);
  layer.Create(width, 2);
  for (std::int32_t x = 0; x < width; ++x) {
    layer.SetPixel(x, 1, map[static_cast<std::size_t>(x)]);
    image.SetPixel(x, 1, 0x123456);
  }
  DisplayOptions o;
  o.maskColour = 0x01;
  o.innerOutlineColour = 0x02;
  o.outerOutlineColour = 0x03;
  o.shadowColour = 0x04;
  Recolour(image, layer, o);
  std::vector<Colour> expected;
  for (const Colour code : map)
    expected.push_back(code == kKeyMagenta  ? 0x01
                       : code == kMapBlue   ? 0x02
                       : code == kMapYellow ? 0x03
                       : code == kShadowRed ? 0x04
                                            : 0x123456);
  EXPECT_EQ(RowColours(image, 1), expected);
  EXPECT_EQ(RowColours(image, 0), Repeat(map.size(), U)); // a black map row changes nothing
}

TEST(Recolour, LeavesEveryOtherMapValueAlone) {
  // Values near the codes, and colours with a full green byte, must not be taken for codes.
  const Colour near[] = {kMapWhite, kMapGreen, 0x000000, 0xFE00FF, 0xFF0001,
                         0x0000FE,  0x01FFFF,  0x80FF80, 0xFFFF00, 0x00FFFE};
  cDIBSection image, map;
  const auto n = static_cast<std::int32_t>(std::size(near));
  image.Create(n, 1);
  map.Create(n, 1);
  for (std::int32_t x = 0; x < n; ++x) {
    image.SetPixel(x, 0, 0x123456);
    map.SetPixel(x, 0, near[x]);
  }
  Recolour(image, map, DisplayOptions{});
  EXPECT_EQ(RowColours(image, 0), Repeat(static_cast<std::size_t>(n), 0x123456));
}

TEST(Recolour, EmptyOrMismatchedSurfacesAreSafe) {
  cDIBSection image, map;
  Recolour(image, map, DisplayOptions{});
  image.Create(3, 3);
  Recolour(image, map, DisplayOptions{});
  map.Create(2, 5);
  map.SetPixel(1, 2, kKeyMagenta);
  map.SetPixel(1, 4, kKeyMagenta);
  DisplayOptions o;
  o.maskColour = 0x777777;
  Recolour(image, map, o);
  EXPECT_EQ(image.GetPixel(1, 2), 0x777777u);
  EXPECT_EQ(RowColours(image, 0), Repeat(3, U));
}

class RenderTest : public ::testing::Test {
protected:
  void SetUp() override {
    test::FrameSpec small = test::UniformFrame(2, 1, {0x27, 4, 0x0F});
    test::FrameSpec layers = test::UniformFrame(7, 3, kAllLayers);
    test::WriteFile(dir.file("s.slp"), BuildSLP({small, layers}).bytes);
  }
  std::string sprite() const { return dir.file("s.slp"); }
  test::TempDir dir;
};

TEST_F(RenderTest, RendersTheAskedFrameRecoloured) {
  cDIBSection image;
  DisplayOptions o;
  o.shadowColour = 0x00AA00;
  const RenderedFrame r = RenderFrame(sprite(), 2, P, o, image);
  EXPECT_EQ(r.frameCount, 2);
  EXPECT_EQ(r.width, 7);
  EXPECT_EQ(r.height, 3);
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(RowColours(image, 2),
            (std::vector<Colour>{P[9], P[16], 0x00AA00, 0xFF0000, 0x00FFFF, U, U}));
}

TEST_F(RenderTest, CancelledRenderKeepsDrawnRowsRecolouredAndTheRestBlack) {
  cDIBSection image;
  DisplayOptions o;
  o.maskColour = 0x0000AA;
  int polls = 0;
  const RenderedFrame r = RenderFrame(sprite(), 2, P, o, image, [&] { return ++polls == 2; });
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(image.GetPixel(5, 0), 0x0000AAu);
  EXPECT_EQ(RowColours(image, 1), Repeat(7, U));
}

TEST_F(RenderTest, FrameNumberOutsideTheSpriteIsAnError) {
  cDIBSection image;
  for (std::int32_t n : {0, 3}) {
    SCOPED_TRACE(n);
    EXPECT_THROW(RenderFrame(sprite(), n, P, DisplayOptions{}, image), Error);
    EXPECT_THROW(SaveFrameBMP(sprite(), n, P, DisplayOptions{}, dir.file("x.bmp")), Error);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.bmp")));
  }
}

TEST_F(RenderTest, SaveWritesTheRenderedFrameAsBmp) {
  DisplayOptions o;
  o.innerOutlineColour = 0x345678;
  SaveFrameBMP(sprite(), 2, P, o, dir.file("f.bmp"));
  cDIBSection expected;
  RenderFrame(sprite(), 2, P, o, expected);
  EXPECT_EQ(test::ReadFile(dir.file("f.bmp")), BmpFileBytes(expected));
  EXPECT_EQ(expected.GetPixel(3, 1), 0x345678u);
}

TEST_F(RenderTest, SaveErrorsReachTheCaller) {
  test::ExpectError(
      [&] { SaveFrameBMP(sprite(), 1, P, DisplayOptions{}, dir.file("no/such/folder/f.bmp")); },
      "Error saving file!", "no/such/folder/f.bmp");
  test::ExpectError(
      [&] { SaveFrameBMP(dir.file("absent.slp"), 1, P, DisplayOptions{}, dir.file("f.bmp")); },
      kSpriteErrorText, "absent.slp");
  EXPECT_FALSE(std::filesystem::exists(dir.file("f.bmp")));
}

} // namespace
} // namespace tessary
