#include "sprite/animation.hpp"
#include "sprite/rgba.hpp"
#include "sprite/sheet.hpp"
#include "sprite/slp_builder.hpp"
#include "support/expect_error.hpp"
#include "support/picture_decode.hpp"
#include "support/test_support.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tessary {
namespace {

using test::BuildSLP;
using test::Parse;
using test::PixelAt;
using test::TestPalette;
using test::UniformFrame;
using Rgb = std::array<std::uint8_t, 3>;

Rgb RgbOf(Colour c) {
  return {static_cast<std::uint8_t>(RedOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
          static_cast<std::uint8_t>(BlueOf(c))};
}

// ----- sheet -----

// Three frames: 3 x 2 with every kind of pixel, one without pixels, 2 x 4 of colour 5.
SLPFile SheetSprite() {
  return Parse(BuildSLP({UniformFrame(3, 2, {0x04, 9, 0x1B, 0x4E, 0x0F}, 1, 1),
                         UniformFrame(0, 0, {}, 5, 6), UniformFrame(2, 4, {0x27, 5, 0x0F}, 0, 3)}));
}

TEST(Sheet, FramesSitLeftToRightTopAlignedWithoutGaps) {
  const SLPFile sprite = SheetSprite();
  const Sheet sheet = BuildSheet(sprite, TestPalette(), DisplayOptions{});
  ASSERT_EQ(sheet.picture.width, 5);
  ASSERT_EQ(sheet.picture.height, 4);
  const nlohmann::json json = nlohmann::json::parse(SheetJson(sheet, 1));
  const nlohmann::json expected = nlohmann::json::parse(R"({"frames": [
      {"x": 0, "y": 0, "w": 3, "h": 2, "hotspot_x": 1, "hotspot_y": 1},
      {"x": 3, "y": 0, "w": 0, "h": 0, "hotspot_x": 5, "hotspot_y": 6},
      {"x": 3, "y": 0, "w": 2, "h": 4, "hotspot_x": 0, "hotspot_y": 3}],
      "player": 1})");
  EXPECT_EQ(json, expected);
  // Each frame's pixels are its own RGBA pixels; what no frame covers is transparent.
  for (std::int32_t n : {1, 3}) {
    const RgbaImage frame = RenderFrameRgba(sprite, n, TestPalette(), DisplayOptions{});
    const SheetRect &rect = sheet.frames[static_cast<std::size_t>(n - 1)];
    for (std::int32_t y = 0; y < frame.height; ++y)
      for (std::int32_t x = 0; x < frame.width; ++x)
        EXPECT_EQ(PixelAt(sheet.picture, rect.x + x, y), PixelAt(frame, x, y))
            << "frame " << n << " at " << x << "," << y;
  }
  for (std::int32_t y = 2; y < 4; ++y)
    for (std::int32_t x = 0; x < 3; ++x)
      EXPECT_EQ(PixelAt(sheet.picture, x, y), (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
}

TEST(Sheet, WidthLimitIsHeldToTheLastPixel) {
  struct Case {
    std::int32_t lastWidth;
    bool refused;
  };
  for (const Case c : {Case{1, false}, Case{2, true}}) {
    SCOPED_TRACE(c.lastWidth);
    const SLPFile sprite =
        Parse(BuildSLP({UniformFrame(32767, 1, {0x0F}), UniformFrame(32767, 1, {0x0F}),
                        UniformFrame(c.lastWidth, 1, {0x0F})}));
    if (c.refused) {
      test::ExpectError([&] { BuildSheet(sprite, TestPalette(), DisplayOptions{}); },
                        "Error saving file!", "65536 pixels wide");
    } else {
      EXPECT_EQ(BuildSheet(sprite, TestPalette(), DisplayOptions{}).picture.width, 65535);
    }
  }
}

TEST(Sheet, ExportWritesThePictureAndItsJsonTogether) {
  test::TempDir dir;
  const std::string name = dir.file("walk.png");
  EXPECT_EQ(SheetJsonName(name), dir.file("walk.json"));
  ExportSheet(SheetSprite(), name, TestPalette(), DisplayOptions{});
  const test::DecodedPng png = test::DecodePng(test::ReadFile(name));
  ASSERT_TRUE(png.ok);
  const Sheet sheet = BuildSheet(SheetSprite(), TestPalette(), DisplayOptions{});
  EXPECT_EQ(png.image.pixels, sheet.picture.pixels);
  const std::vector<std::uint8_t> json = test::ReadFile(dir.file("walk.json"));
  EXPECT_EQ(std::string(json.begin(), json.end()), SheetJson(sheet, 1));
}

TEST(Sheet, SpriteWithoutPixelsGivesOneTransparentPixel) {
  test::TempDir dir;
  ExportSheet(Parse(BuildSLP({UniformFrame(0, 0, {})})), dir.file("e.png"), TestPalette(),
              DisplayOptions{});
  const test::DecodedPng png = test::DecodePng(test::ReadFile(dir.file("e.png")));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.image.width, 1);
  EXPECT_EQ(png.image.height, 1);
  EXPECT_EQ(PixelAt(png.image, 0, 0), (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
}

// ----- anim -----

TEST(Animation, DelayIsHundredthsRounded) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {{1, 100}, {3, 33},  {6, 17}, {7, 14},
                                                         {8, 13},  {10, 10}, {50, 2}};
  for (const auto &[fps, delay] : cases)
    EXPECT_EQ(FrameDelayHundredths(fps), delay) << fps;
}

TEST(Animation, EveryFrameCoversTheAlignedCanvasAndLoopsForEver) {
  // Frame 1: 2 x 1 (colour 9, shadow) with its row above the hotspot; frame 2: 1 x 2 (inner
  // outline, colour 3) right of the hotspot; frame 3 has no pixels. Canvas 2 x 2.
  const SLPFile sprite =
      Parse(BuildSLP({UniformFrame(2, 1, {0x04, 9, 0x0B | 0x10, 0x0F}, 0, 1),
                      UniformFrame(1, 2, {0x04, 3, 0x0F}, -1, 1), UniformFrame(0, 0, {})}));
  DisplayOptions options;
  options.shadowColour = RGB(0x12, 0x34, 0x56);
  const test::DecodedGif gif = test::DecodeGif(EncodeAnimation(sprite, TestPalette(), options, 8));
  ASSERT_TRUE(gif.ok);
  EXPECT_EQ(gif.version, "GIF89a");
  EXPECT_EQ(gif.width, 2);
  EXPECT_EQ(gif.height, 2);
  EXPECT_EQ(gif.loopCount, 0);
  ASSERT_EQ(gif.frames.size(), 3u);
  for (const test::DecodedGifFrame &f : gif.frames) {
    EXPECT_EQ(f.delay, 13);
    EXPECT_EQ(f.disposal, DISPOSE_BACKGROUND);
    EXPECT_GE(f.transparent, 0);
    EXPECT_EQ(f.left, 0);
    EXPECT_EQ(f.top, 0);
    EXPECT_EQ(f.width, 2);
    EXPECT_EQ(f.height, 2);
  }
  using Shown = std::optional<Rgb>;
  const PaletteTable palette = TestPalette();
  const Shown expected[3][4] = {
      {RgbOf(palette[9]), RgbOf(options.shadowColour), std::nullopt, std::nullopt},
      {std::nullopt, RgbOf(palette[3]), std::nullopt, RgbOf(palette[3])},
      {std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (std::size_t n = 0; n < 3; ++n)
    for (std::int32_t i = 0; i < 4; ++i)
      EXPECT_EQ(test::GifPixel(gif.frames[n], i % 2, i / 2), expected[n][i])
          << "frame " << n + 1 << " pixel " << i;
}

TEST(Animation, OutlinesAndUndrawnPixelsAreTransparent) {
  const SLPFile sprite = Parse(BuildSLP({UniformFrame(4, 1, {0x4E, 0x6E, 0x16, 2, 0x0F})}));
  const test::DecodedGif gif =
      test::DecodeGif(EncodeAnimation(sprite, TestPalette(), DisplayOptions{}, 10));
  ASSERT_TRUE(gif.ok);
  ASSERT_EQ(gif.frames.size(), 1u);
  EXPECT_EQ(gif.frames[0].delay, 10);
  EXPECT_EQ(test::GifPixel(gif.frames[0], 0, 0), std::nullopt);
  EXPECT_EQ(test::GifPixel(gif.frames[0], 1, 0), std::nullopt);
  EXPECT_EQ(test::GifPixel(gif.frames[0], 2, 0), RgbOf(TestPalette()[18])); // player 1
  EXPECT_EQ(test::GifPixel(gif.frames[0], 3, 0), std::nullopt);
}

// A row of `count` colour pixels, palette entries 0, 1, 2, ...
test::FrameSpec ManyColours(std::int32_t count) {
  std::vector<std::uint8_t> commands;
  for (std::int32_t i = 0; i < count; i += 63) {
    const std::int32_t n = std::min(63, count - i);
    commands.push_back(static_cast<std::uint8_t>(n << 2));
    for (std::int32_t k = 0; k < n; ++k)
      commands.push_back(static_cast<std::uint8_t>(i + k));
  }
  commands.push_back(0x0F);
  return UniformFrame(count, 1, commands);
}

TEST(Animation, AFrameWithMoreThan255ColoursFailsNamingIt) {
  const SLPFile fits = Parse(BuildSLP({ManyColours(4), ManyColours(255)}));
  const test::DecodedGif gif =
      test::DecodeGif(EncodeAnimation(fits, TestPalette(), DisplayOptions{}, 10));
  ASSERT_TRUE(gif.ok);
  ASSERT_EQ(gif.frames.size(), 2u);
  EXPECT_EQ(test::GifPixel(gif.frames[1], 254, 0), RgbOf(TestPalette()[254]));

  const SLPFile tooMany = Parse(BuildSLP({ManyColours(4), ManyColours(256)}));
  test::ExpectError([&] { EncodeAnimation(tooMany, TestPalette(), DisplayOptions{}, 10); },
                    "Error saving file!", "frame 2 of test.slp");
}

} // namespace
} // namespace tessary
