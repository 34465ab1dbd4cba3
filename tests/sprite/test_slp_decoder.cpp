#include "common/error.hpp"
#include "sprite/display_options.hpp"
#include "sprite/slp_builder.hpp"
#include "sprite/slp_decoder.hpp"
#include "support/expect_error.hpp"

#include <gtest/gtest.h>

namespace tessary {
namespace {

using test::BuildSLP;
using test::DecodeFrame;
using test::FrameSpec;
using test::Join;
using test::Repeat;
using test::RowColours;
using test::RowSpec;

const PaletteTable P = test::TestPalette();
constexpr Colour M = kKeyMagenta;
constexpr Colour W = kMapWhite;
constexpr Colour G = kMapGreen;
constexpr Colour R = kShadowRed;
constexpr Colour B = kMapBlue;
constexpr Colour Y = kMapYellow;
constexpr Colour U = 0x000000; // not drawn: the fresh surface's black

// One frame of a single row.
test::BuiltSLP OneRow(std::int32_t width, std::int16_t left, std::int16_t right,
                      std::vector<std::uint8_t> commands) {
  FrameSpec f;
  f.width = width;
  f.rows = {RowSpec{left, right, std::move(commands)}};
  return BuildSLP({f});
}

void ExpectSpriteError(const test::BuiltSLP &built, const std::string &what) {
  const SLPFile sprite = test::Parse(built);
  test::ExpectError([&] { DecodeFrame(sprite); }, kSpriteErrorText, what);
}

TEST(SlpDecoder, FrameOfHeightZeroDrawsNothing) {
  const auto sprite = test::Parse(BuildSLP({test::UniformFrame(5, 0, {})}));
  const auto d = DecodeFrame(sprite);
  EXPECT_FALSE(d.cancelled);
  EXPECT_FALSE(d.image.IsCreated());
  EXPECT_FALSE(d.map.IsCreated());
  EXPECT_EQ(d.image.Width(), 5);
  EXPECT_EQ(d.image.Height(), 0);
}

TEST(SlpDecoder, FrameOfWidthZeroReadsItsRowsButDrawsNothing) {
  const auto sprite = test::Parse(OneRow(0, 0, 3, {0x07 | 0x30, 1, 0x0F}));
  const auto d = DecodeFrame(sprite);
  EXPECT_FALSE(d.cancelled);
  EXPECT_FALSE(d.image.IsCreated());
}

TEST(SlpDecoder, SurfacesAreRemadeAtTheFrameSize) {
  const auto sprite = test::Parse(OneRow(3, 0, 0, {0x0F}));
  cDIBSection image, map;
  image.Create(50, 40);
  map.Create(7, 7);
  DecodeSLPFrame(sprite, sprite.frame(1), P, image, map);
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.Height(), 1);
  EXPECT_EQ(map.Width(), 3);
  EXPECT_EQ(map.Height(), 1);
}

TEST(SlpDecoder, EmptyRowIsMagentaAcrossWhateverItsRightAndCommands) {
  FrameSpec f;
  f.width = 6;
  f.rows = {RowSpec{kEmptyRow, 3, {0x17, 9, 0x0F}}, RowSpec{1, 0, {0x17, 9, 0x0F}}};
  const auto d = DecodeFrame(test::Parse(BuildSLP({f})));
  EXPECT_EQ(RowColours(d.image, 0), Repeat(6, M));
  EXPECT_EQ(RowColours(d.map, 0), Repeat(6, M));
  EXPECT_EQ(RowColours(d.image, 1), Join({{M, P[9]}, Repeat(4, U)}));
}

TEST(SlpDecoder, EmptyRowsNeverReadTheirCommandOffsets) {
  FrameSpec f;
  f.width = 2;
  f.rows = {RowSpec{kEmptyRow, 0, {}}, RowSpec{kEmptyRow, 0, {}}};
  auto built = BuildSLP({f});
  test::SetI32(built.bytes, test::FrameRecordOffset(1) + test::kCommandTableField, -1000);
  const auto d = DecodeFrame(test::Parse(built));
  EXPECT_EQ(RowColours(d.map, 1), Repeat(2, M));
}

TEST(SlpDecoder, RowWithMarginsAndAShortCopy) {
  // Width 10, left 2, right 3: 0x14 copies five index bytes, 0x0F ends the row.
  const auto d = DecodeFrame(test::Parse(OneRow(10, 2, 3, {0x14, 1, 2, 3, 4, 5, 0x0F})));
  EXPECT_EQ(RowColours(d.image, 0), Join({{M, M, P[1], P[2], P[3], P[4], P[5]}, Repeat(3, M)}));
  EXPECT_EQ(RowColours(d.map, 0), Join({Repeat(2, M), Repeat(5, W), Repeat(3, M)}));
}

TEST(SlpDecoder, RightMarginStartsWhereTheCommandsStopped) {
  const auto d = DecodeFrame(test::Parse(OneRow(10, 0, 2, {0x37, 4, 0x0F})));
  EXPECT_EQ(RowColours(d.image, 0), Join({Repeat(3, P[4]), Repeat(2, M), Repeat(5, U)}));
  EXPECT_EQ(RowColours(d.map, 0), Join({Repeat(3, W), Repeat(2, M), Repeat(5, U)}));
}

// Each command class with its count rule, on a row with no margins.
struct CommandCase {
  const char *name;
  std::int32_t width;
  std::vector<std::uint8_t> commands;
  std::vector<Colour> image;
  std::vector<Colour> map;
};

std::vector<CommandCase> CommandCases() {
  return {
      {"end of row, any high nibble", 3, {0xFF, 0x17, 1}, Repeat(3, U), Repeat(3, U)},
      {"0x00 copies nothing and reads no count",
       3,
       {0x00, 0x08, 5, 6, 0x0F},
       {P[5], P[6], U},
       {W, W, U}},
      {"short copy 0x04 of one", 2, {0x04, 7, 0x0F}, {P[7], U}, {W, U}},
      {"short skip 0x01 takes the next byte as count",
       4,
       {0x01, 3, 0x04, 2, 0x0F},
       {M, M, M, P[2]},
       {M, M, M, W}},
      {"inner outline pixel 0x4E", 3, {0x4E, 0x0F}, {M, U, U}, {B, U, U}},
      {"outer outline pixel 0x6E", 3, {0x6E, 0x0F}, {M, U, U}, {Y, U, U}},
      {"inner outline span 0x5E", 4, {0x5E, 3, 0x0F}, {M, M, M, U}, {B, B, B, U}},
      {"outer outline span 0x7E", 3, {0x7E, 2, 0x0F}, {M, M, U}, {Y, Y, U}},
      {"fill with count in the high nibble",
       4,
       {0x37, 9, 0x0F},
       {P[9], P[9], P[9], U},
       {W, W, W, U}},
      {"fill with count byte before the index", 3, {0x07, 2, 9, 0x0F}, {P[9], P[9], U}, {W, W, U}},
      {"shadow 0x6B is six pixels",
       7,
       {0x6B, 0x0F},
       Join({Repeat(6, R), {U}}),
       Join({Repeat(6, R), {U}})},
      {"shadow 0x0B 0x00 is none", 2, {0x0B, 0x00, 0x04, 1, 0x0F}, {P[1], U}, {W, U}},
      {"player span 0x0E uses entry 16",
       5,
       {0x0E, 4, 0x0F},
       Join({Repeat(4, P[16]), {U}}),
       Join({Repeat(4, G), {U}})},
      {"player span 0x3E uses entry 19", 3, {0x3E, 2, 0x0F}, {P[19], P[19], U}, {G, G, U}},
      {"player span 0xFE uses entry 31", 2, {0xFE, 1, 0x0F}, {P[31], U}, {G, U}},
      {"player copy index 7 draws entry 23", 2, {0x16, 7, 0x0F}, {P[23], U}, {G, U}},
      {"player copy with count byte", 3, {0x06, 2, 1, 2, 0x0F}, {P[17], P[18], U}, {G, G, U}},
      {"player copy index 245 wraps to entry 5", 2, {0x16, 245, 0x0F}, {P[5], U}, {G, U}},
      {"player fill", 3, {0x2A, 5, 0x0F}, {P[21], P[21], U}, {G, G, U}},
      {"player fill with count byte",
       4,
       {0x0A, 3, 7, 0x0F},
       {P[23], P[23], P[23], U},
       {G, G, G, U}},
      {"player fill index 240 wraps to entry 0", 2, {0x1A, 240, 0x0F}, {P[0], U}, {G, U}},
      {"long copy", 4, {0x02, 3, 1, 2, 3, 0x0F}, {P[1], P[2], P[3], U}, {W, W, W, U}},
  };
}

TEST(SlpDecoder, CommandClasses) {
  for (const CommandCase &c : CommandCases()) {
    SCOPED_TRACE(c.name);
    const auto d = DecodeFrame(test::Parse(OneRow(c.width, 0, 0, c.commands)));
    EXPECT_EQ(RowColours(d.image, 0), c.image);
    EXPECT_EQ(RowColours(d.map, 0), c.map);
  }
}

TEST(SlpDecoder, SixBitCountsReachSixtyThree) {
  std::vector<std::uint8_t> copy = {0xFC};
  for (int i = 0; i < 63; ++i)
    copy.push_back(static_cast<std::uint8_t>(i));
  copy.push_back(0x0F);
  auto d = DecodeFrame(test::Parse(OneRow(64, 0, 0, copy)));
  for (int x = 0; x < 63; ++x)
    EXPECT_EQ(d.image.GetPixel(x, 0), P[x]);
  EXPECT_EQ(d.image.GetPixel(63, 0), U);

  // 0x05 skips 1, 0x09 skips 2, 0xFD skips 63, each without a count byte.
  d = DecodeFrame(test::Parse(OneRow(68, 0, 0, {0x05, 0x09, 0xFD, 0x04, 1, 0x0F})));
  EXPECT_EQ(RowColours(d.map, 0), Join({Repeat(66, M), {W, U}}));
}

TEST(SlpDecoder, LongCountsUseTheHighNibbleAsHighByte) {
  // 0x23 0x10: 2 * 256 + 16 = 528 pixels of skip.
  auto d = DecodeFrame(test::Parse(OneRow(530, 0, 0, {0x23, 0x10, 0x04, 1, 0x0F})));
  EXPECT_EQ(RowColours(d.map, 0), Join({Repeat(528, M), {W, U}}));
  EXPECT_EQ(d.image.GetPixel(528, 0), P[1]);

  // 0x12 0x01: a long copy of 257 index bytes.
  std::vector<std::uint8_t> copy = {0x12, 0x01};
  for (int i = 0; i < 257; ++i)
    copy.push_back(static_cast<std::uint8_t>(i));
  copy.push_back(0x0F);
  d = DecodeFrame(test::Parse(OneRow(258, 0, 0, copy)));
  EXPECT_EQ(d.image.GetPixel(255, 0), P[255]);
  EXPECT_EQ(d.image.GetPixel(256, 0), P[0]);
  EXPECT_EQ(d.map.GetPixel(256, 0), W);
  EXPECT_EQ(d.map.GetPixel(257, 0), U);
}

TEST(SlpDecoder, SpansAreClippedToTheSurface) {
  struct Case {
    const char *name;
    std::int32_t width;
    std::int16_t left, right;
    std::vector<std::uint8_t> commands;
    std::vector<Colour> image;
  };
  const Case cases[] = {
      {"negative left clips the start", 3, -2, 0, {0x10, 1, 2, 3, 4, 0x0F}, {P[3], P[4], U}},
      {"fill past the right edge", 3, 1, 0, {0x57, 6, 0x0F}, {M, P[6], P[6]}},
      {"right margin past the edge", 3, 1, 9, {0x04, 2, 0x0F}, {M, P[2], M}},
      {"left margin wider than the row", 3, 32767, 0, {0x04, 2, 0x0F}, {M, M, M}},
      {"commands far left of the row", 2, -32767, 0, {0xF3, 0xFF, 0xF3, 0xFF, 0x0F}, {U, U}},
      {"commands far right of the row", 2, 0, 32767, {0x08, 1, 2, 0xF3, 0xFF, 0x0F}, {P[1], P[2]}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const auto d = DecodeFrame(test::Parse(OneRow(c.width, c.left, c.right, c.commands)));
    EXPECT_EQ(RowColours(d.image, 0), c.image);
  }
}

TEST(SlpDecoder, ClippedSpansLeavePaddingAndOtherRowsAlone) {
  FrameSpec f;
  f.width = 3; // stride 12: three padding bytes per row
  f.rows = {RowSpec{-5, 40, {0x7E, 200, 0x0F}}, RowSpec{0, 0, {0x0F}}};
  const auto d = DecodeFrame(test::Parse(BuildSLP({f})));
  EXPECT_EQ(RowColours(d.map, 0), Repeat(3, Y));
  EXPECT_EQ(RowColours(d.map, 1), Repeat(3, U));
  for (std::size_t row = 0; row < 2; ++row)
    for (std::size_t k = 9; k < 12; ++k)
      EXPECT_EQ(d.image.Bits()[row * 12 + k], 0) << row << "," << k;
}

TEST(SlpDecoder, RowWithoutEndByteStopsAtTheEndOfTheData) {
  // The last row's commands are the last bytes of the file; no end byte follows.
  FrameSpec f;
  f.width = 6;
  f.rows = {RowSpec{1, 2, {0x0F}}, RowSpec{1, 2, {0x27, 3}}};
  const auto d = DecodeFrame(test::Parse(BuildSLP({f})));
  EXPECT_FALSE(d.cancelled);
  EXPECT_EQ(RowColours(d.image, 0), Join({Repeat(3, M), Repeat(3, U)}));
  EXPECT_EQ(RowColours(d.image, 1), Join({{M, P[3], P[3]}, Repeat(3, U)}));
}

TEST(SlpDecoder, CommandCutShortByTheEndOfTheData) {
  struct Case {
    const char *name;
    std::vector<std::uint8_t> commands;
    std::vector<Colour> map;
  };
  const Case cases[] = {
      {"copy with fewer index bytes than its count", {0x04, 1, 0x10, 1, 2}, {W, W, W, U, U}},
      {"fill without its index", {0x27}, Repeat(5, U)},
      {"fill without its count", {0x07}, Repeat(5, U)},
      {"skip without its count", {0x01}, Repeat(5, U)},
      {"long skip without its low byte", {0x13}, Repeat(5, U)},
      {"outline span without its count", {0x5E}, Repeat(5, U)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const auto d = DecodeFrame(test::Parse(OneRow(5, 0, 3, c.commands)));
    EXPECT_EQ(RowColours(d.map, 0), c.map);
  }
}

TEST(SlpDecoder, RowThatOnlyIdlesStopsAndTheNextRowsStillDecode) {
  FrameSpec f;
  f.width = 2;
  f.rows = {RowSpec{0, 2, std::vector<std::uint8_t>(200000, 0x00)}, RowSpec{0, 0, {0x04, 1, 0x0F}}};
  f.rows[0].commands.push_back(0x0F);
  const auto d = DecodeFrame(test::Parse(BuildSLP({f})));
  EXPECT_EQ(RowColours(d.image, 0), Repeat(2, U));
  EXPECT_EQ(RowColours(d.image, 1), (std::vector<Colour>{P[1], U}));
}

TEST(SlpDecoder, RowsMayShareACommandStream) {
  FrameSpec f;
  f.width = 2;
  f.rows = {RowSpec{0, 0, {0x08, 4, 5, 0x0F}}, RowSpec{0, 0, {}}};
  auto built = BuildSLP({f});
  test::SetI32(built.bytes, built.frames[0].commandTable + 4, built.frames[0].rowCommands[0]);
  const auto d = DecodeFrame(test::Parse(built));
  EXPECT_EQ(RowColours(d.image, 1), (std::vector<Colour>{P[4], P[5]}));
}

TEST(SlpDecoder, TablesOutsideTheDataAreErrors) {
  struct Case {
    const char *name;
    int field;          // frame record field to patch, or -1 for the first command offset
    std::int32_t value; // new value; relative to the file size when `fromEnd`
    bool fromEnd;
    const char *detail;
  };
  const Case cases[] = {
      {"edge table past the end", test::kOutlineTableField, -2, true, "row-edge table"},
      {"edge table before the start", test::kOutlineTableField, -4, false, "row-edge table"},
      {"command table past the end", test::kCommandTableField, -2, true, "command-offset entry"},
      {"negative command table", test::kCommandTableField, -8, false, "command-offset entry"},
      {"command offset past the end", -1, 1, true, "start at offset"},
      {"negative command offset", -1, -1, false, "start at offset"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FrameSpec f;
    f.width = 4;
    f.rows = {RowSpec{0, 0, {0x04, 1, 0x0F}}, RowSpec{0, 0, {0x04, 1, 0x0F}}};
    auto built = BuildSLP({f});
    const auto size = static_cast<std::int32_t>(built.bytes.size());
    const std::int32_t value = c.fromEnd ? size + c.value : c.value;
    if (c.field >= 0)
      test::SetI32(built.bytes, test::FrameRecordOffset(1) + c.field, value);
    else
      test::SetI32(built.bytes, built.frames[0].commandTable, value);
    ExpectSpriteError(built, c.detail);
  }
}

TEST(SlpDecoder, CommandOffsetAtTheVeryEndIsAnEmptyStream) {
  auto built = OneRow(3, 1, 1, {0x04, 1, 0x0F});
  test::SetI32(built.bytes, built.frames[0].commandTable,
               static_cast<std::int32_t>(built.bytes.size()));
  const auto d = DecodeFrame(test::Parse(built));
  EXPECT_EQ(RowColours(d.map, 0), (std::vector<Colour>{M, U, U}));
}

TEST(SlpDecoder, CancelBeforeARowKeepsTheRowsDrawnSoFar) {
  const auto sprite = test::Parse(BuildSLP({test::UniformFrame(2, 5, {0x27, 3, 0x0F})}));
  int polls = 0;
  const auto d = DecodeFrame(sprite, 1, P, [&] { return ++polls == 3; });
  EXPECT_TRUE(d.cancelled);
  EXPECT_EQ(polls, 3);
  for (std::int32_t y = 0; y < 5; ++y) {
    SCOPED_TRACE(y);
    EXPECT_EQ(RowColours(d.image, y), Repeat(2, y < 2 ? P[3] : U));
    EXPECT_EQ(RowColours(d.map, y), Repeat(2, y < 2 ? W : U));
  }
}

TEST(SlpDecoder, CancelPollIsAskedOncePerRow) {
  const auto sprite = test::Parse(BuildSLP({test::UniformFrame(2, 7, {0x0F})}));
  int polls = 0;
  const auto d = DecodeFrame(sprite, 1, P, [&] { return ++polls > 100; });
  EXPECT_FALSE(d.cancelled);
  EXPECT_EQ(polls, 7);
}

TEST(SlpDecoder, SecondFrameDecodesFromItsOwnTables) {
  const auto sprite = test::Parse(BuildSLP(
      {test::UniformFrame(2, 1, {0x27, 1, 0x0F}), test::UniformFrame(3, 2, {0x37, 2, 0x0F})}));
  const auto d = DecodeFrame(sprite, 2);
  EXPECT_EQ(d.image.Width(), 3);
  EXPECT_EQ(RowColours(d.image, 1), Repeat(3, P[2]));
}

TEST(SlpDecoder, FillSpanDrawsBothEndsAndClips) {
  cDIBSection s;
  s.Create(5, 2);
  FillSpan(s, 1, 3, 0, 0x123456);
  EXPECT_EQ(RowColours(s, 0), (std::vector<Colour>{U, 0x123456, 0x123456, 0x123456, U}));
  FillSpan(s, 3, 2, 1, 0x111111); // x1 > x2: nothing
  FillSpan(s, -4, 0, 1, 0x222222);
  FillSpan(s, 4, 32767, 1, 0x333333);
  FillSpan(s, 0, 4, 2, 0x444444); // row outside
  EXPECT_EQ(RowColours(s, 1), (std::vector<Colour>{0x222222, U, U, U, 0x333333}));
}

} // namespace
} // namespace tessary

namespace tessary {
namespace {

TEST(SlpDecoder, ReusedSurfacesGiveWhatFreshOnesGive) {
  // Rows that stop short, margins of every sign and cancelled decodes all leave pixels that the
  // next frame must not inherit.
  const auto built = test::RandomSprite(7, 12, 37, 9);
  const SLPFile sprite = test::Parse(built);
  cDIBSection image, map;
  for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
    SCOPED_TRACE(n);
    int polls = 0;
    const bool cancelAt5 = n % 3 == 0;
    const auto poll = [&] { return cancelAt5 && ++polls == 5; };
    DecodeSLPFrame(sprite, sprite.frame(n), P, image, map, poll);
    polls = 0;
    const auto fresh = DecodeFrame(sprite, n, P, poll);
    EXPECT_EQ(test::Storage(image), test::Storage(fresh.image));
    EXPECT_EQ(test::Storage(map), test::Storage(fresh.map));
    Recolour(image, map, DisplayOptions{}); // leaves the next decode different pixels to clear
  }
}

TEST(SlpDecoder, ChosenColoursGiveWhatRecolouringGives) {
  const auto built = test::RandomSprite(11, 8, 29, 7);
  const SLPFile sprite = test::Parse(built);
  DisplayOptions options;
  options.maskColour = 0x102030;
  options.shadowColour = 0x405060;
  options.innerOutlineColour = 0x708090;
  options.outerOutlineColour = 0xA0B0C0;
  for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
    SCOPED_TRACE(n);
    auto twoPass = DecodeFrame(sprite, n);
    Recolour(twoPass.image, twoPass.map, options);
    cDIBSection image, map;
    DecodeSLPFrame(sprite, sprite.frame(n), P, image, map, {}, ChosenColours(options));
    EXPECT_EQ(test::Storage(image), test::Storage(twoPass.image));
    EXPECT_EQ(test::Storage(map), test::Storage(twoPass.map));
  }
}

} // namespace
} // namespace tessary
