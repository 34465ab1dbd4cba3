// The player layer drawn in each player's colours, through every way a frame is decoded.
#include "sprite/display_options.hpp"
#include "sprite/rgba.hpp"
#include "sprite/slp_builder.hpp"
#include "support/picture_decode.hpp"
#include "surface/png_writer.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tessary {
namespace {

using test::BuildSLP;
using test::Parse;
using test::TestPalette;
using test::UniformFrame;

// One row of every player command and one colour pixel:
//   0x26 3 250  player copy of two pixels (250 wraps past the top of the palette)
//   0x2A 5      player fill of two pixels
//   0x3E 2      short player span of two pixels, ramp entry 3
//   0x0E 1      short player span of one pixel, ramp entry 0
//   0x04 9      one colour pixel
const std::vector<std::uint8_t> kPlayerRow = {0x26, 3,    250, 0x2A, 5, 0x3E,
                                              2,    0x0E, 1,   0x04, 9, 0x0F};
constexpr std::int32_t kRowWidth = 8;

// The palette entry each pixel of kPlayerRow shows for a player whose ramp starts at `ramp`.
std::array<unsigned, kRowWidth> ExpectedEntries(unsigned ramp) {
  return {(ramp + 3) & 255u, (ramp + 250) & 255u, ramp + 5, ramp + 5, ramp + 3, ramp + 3, ramp, 9};
}

SLPFile PlayerSprite() { return Parse(BuildSLP({UniformFrame(kRowWidth, 2, kPlayerRow)})); }

DisplayOptions PlayerOptions(std::int16_t playerIndex) {
  DisplayOptions options;
  options.playerIndex = playerIndex;
  return options;
}

TEST(PlayerColours, RampStartsEverySixteenEntriesFromPlayerOne) {
  for (std::int16_t p = 0; p < 8; ++p)
    EXPECT_EQ(PlayerRampStart(p), 16u * static_cast<unsigned>(p + 1)) << "player " << p + 1;
}

TEST(PlayerColours, EveryPlayerCommandTakesThePlayersRamp) {
  const SLPFile sprite = PlayerSprite();
  const PaletteTable palette = TestPalette();
  for (std::int16_t p = 0; p < 8; ++p) {
    SCOPED_TRACE("player " + std::to_string(p + 1));
    const auto entries = ExpectedEntries(16u * static_cast<unsigned>(p + 1));
    const DisplayOptions options = PlayerOptions(p);

    cDIBSection keyed, keyedMap;
    DecodeSLPFrame(sprite, sprite.frame(1), palette, keyed, keyedMap, {}, KeyColours(options));
    cDIBSection shown;
    RenderFrame(sprite, 1, palette, options, shown);
    const RgbaImage rgba = RenderFrameRgba(sprite, 1, palette, options);
    ASSERT_EQ(rgba.width, kRowWidth);

    for (std::int32_t y = 0; y < 2; ++y)
      for (std::int32_t x = 0; x < kRowWidth; ++x) {
        SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
        const Colour colour = palette[entries[static_cast<std::size_t>(x)]];
        EXPECT_EQ(keyed.GetPixel(x, y), colour) << "decoded";
        EXPECT_EQ(keyedMap.GetPixel(x, y), x < 7 ? kMapGreen : kMapWhite);
        EXPECT_EQ(shown.GetPixel(x, y), colour) << "shown";
        const std::array<std::uint8_t, 4> opaque = {static_cast<std::uint8_t>(RedOf(colour)),
                                                    static_cast<std::uint8_t>(GreenOf(colour)),
                                                    static_cast<std::uint8_t>(BlueOf(colour)), 255};
        EXPECT_EQ(test::PixelAt(rgba, x, y), opaque) << "RGBA";
      }
  }
}

TEST(PlayerColours, PngPixelsDecodeToThePlayersColours) {
  const SLPFile sprite = PlayerSprite();
  const PaletteTable palette = TestPalette();
  for (std::int16_t p : {std::int16_t{0}, std::int16_t{4}, std::int16_t{7}}) {
    SCOPED_TRACE("player " + std::to_string(p + 1));
    const RgbaImage rgba = RenderFrameRgba(sprite, 1, palette, PlayerOptions(p));
    const test::DecodedPng png = test::DecodePng(EncodePNG(rgba));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.image.pixels, rgba.pixels);
    const Colour first = palette[(16u * static_cast<unsigned>(p + 1) + 3) & 255u];
    EXPECT_EQ(test::PixelAt(png.image, 0, 0),
              (std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(RedOf(first)),
                                           static_cast<std::uint8_t>(GreenOf(first)),
                                           static_cast<std::uint8_t>(BlueOf(first)), 255}));
  }
}

// Over random streams, for every player: one pass in the chosen colours is decoding in the key
// colours and recolouring, the layer map stays the same, and exactly the player pixels change
// (the test palette's entries all differ, so every player pixel does).
TEST(PlayerColours, OnlyPlayerPixelsChangeAndBothPathsAgree) {
  const SLPFile sprite = Parse(test::RandomSprite(23, 6, 31, 9));
  const PaletteTable palette = TestPalette();
  DisplayOptions colours;
  colours.maskColour = 0x102030;
  colours.shadowColour = 0x405060;
  std::int64_t playerPixels = 0;
  for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
    cDIBSection first, firstMap;
    DecodeSLPFrame(sprite, sprite.frame(n), palette, first, firstMap, {}, ChosenColours(colours));
    for (std::int16_t p = 0; p < 8; ++p) {
      SCOPED_TRACE("frame " + std::to_string(n) + ", player " + std::to_string(p + 1));
      DisplayOptions options = colours;
      options.playerIndex = p;
      cDIBSection onePass, onePassMap, twoPass, twoPassMap;
      DecodeSLPFrame(sprite, sprite.frame(n), palette, onePass, onePassMap, {},
                     ChosenColours(options));
      DecodeSLPFrame(sprite, sprite.frame(n), palette, twoPass, twoPassMap, {},
                     KeyColours(options));
      Recolour(twoPass, twoPassMap, options);
      EXPECT_EQ(test::Storage(onePass), test::Storage(twoPass));
      ASSERT_EQ(test::Storage(onePassMap), test::Storage(firstMap));
      for (std::int32_t y = 0; y < first.Height(); ++y)
        for (std::int32_t x = 0; x < first.Width(); ++x) {
          const bool player = onePassMap.GetPixel(x, y) == kMapGreen;
          playerPixels += player && p == 0;
          EXPECT_EQ(onePass.GetPixel(x, y) != first.GetPixel(x, y), player && p != 0)
              << x << "," << y;
        }
    }
  }
  EXPECT_GT(playerPixels, 0) << "the random streams must draw some player pixels";
}

} // namespace
} // namespace tessary
