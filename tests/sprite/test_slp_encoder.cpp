#include "sprite/slp_encoder.hpp"

#include "common/error.hpp"
#include "palette/palette.hpp"
#include "sprite/exports.hpp"
#include "sprite/slp_builder.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_loader.hpp"
#include "sprite/slx_reader.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TestPalette;

// Rows are written as text, one character per pixel:
//   '.' transparent   '#' shadow   '+' inner outline   '*' outer outline   '_' never drawn
//   'a'..'z' palette entries 1..26   'A'..'Z' player colours stored as 0..25 (entries 16..41)
struct PixelPair {
  Colour image;
  Colour layer;
};

PixelPair PixelOf(char c, const PaletteTable &palette) {
  if (c >= 'a' && c <= 'z')
    return {palette[c - 'a' + 1], kMapWhite};
  if (c >= 'A' && c <= 'Z')
    return {palette[16 + c - 'A'], kMapGreen};
  switch (c) {
  case '.':
    return {kKeyMagenta, kKeyMagenta};
  case '#':
    return {kShadowRed, kShadowRed};
  case '+':
    return {kKeyMagenta, kMapBlue};
  case '*':
    return {kKeyMagenta, kMapYellow};
  default:
    return {0x000000, 0x000000};
  }
}

EncoderFrame FrameOfRows(const std::vector<std::string> &rows,
                         const PaletteTable &palette = TestPalette(), std::int32_t hotspotX = 0,
                         std::int32_t hotspotY = 0) {
  EncoderFrame frame;
  frame.hotspotX = hotspotX;
  frame.hotspotY = hotspotY;
  frame.height = static_cast<std::int32_t>(rows.size());
  frame.width = rows.empty() ? 0 : static_cast<std::int32_t>(rows[0].size());
  for (const std::string &row : rows)
    for (const char c : row) {
      const PixelPair p = PixelOf(c, palette);
      frame.image.push_back(p.image);
      frame.layer.push_back(p.layer);
    }
  return frame;
}

std::string Repeat(const std::string &text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i)
    all += text;
  return all;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The edges and command bytes the encoder wrote for row y of frame n. Rows are laid out one
// after the other, so a row's commands end where the next row's (or the next frame's tables)
// begin.
struct WrittenRow {
  std::int16_t left = 0;
  std::int16_t right = 0;
  Bytes commands;
};

WrittenRow RowOf(const Bytes &sprite, std::int32_t n, std::int32_t y) {
  const SLPFile file = ParseSLP(sprite, "encoded.slp");
  const SLPFrameInfo &frame = file.frame(n);
  WrittenRow row;
  row.left = LoadI16(sprite.data() + frame.outlineTableOffset + 4 * y);
  row.right = LoadI16(sprite.data() + frame.outlineTableOffset + 4 * y + 2);
  const std::int32_t start = LoadI32(sprite.data() + frame.commandTableOffset + 4 * y);
  std::int32_t end = static_cast<std::int32_t>(sprite.size());
  if (y + 1 < frame.height)
    end = LoadI32(sprite.data() + frame.commandTableOffset + 4 * (y + 1));
  else if (n < file.frameCount())
    end = file.frame(n + 1).outlineTableOffset;
  row.commands.assign(sprite.begin() + start, sprite.begin() + end);
  return row;
}

// Decodes every frame of an encoded sprite and compares it, pixel by pixel and field by field,
// with the frames it was made from.
void ExpectDecodesTo(const Bytes &sprite, const std::vector<EncoderFrame> &frames,
                     const PaletteTable &palette) {
  const SLPFile file = ParseSLP(sprite, "encoded.slp");
  ASSERT_EQ(file.frameCount(), static_cast<std::int32_t>(frames.size()));
  for (std::int32_t n = 1; n <= file.frameCount(); ++n) {
    const EncoderFrame &want = frames[n - 1];
    const SLPFrameInfo &info = file.frame(n);
    ASSERT_EQ(info.width, want.width) << "frame " << n;
    ASSERT_EQ(info.height, want.height) << "frame " << n;
    EXPECT_EQ(info.hotspotX, want.hotspotX) << "frame " << n;
    EXPECT_EQ(info.hotspotY, want.hotspotY) << "frame " << n;
    cDIBSection image, layer;
    EXPECT_FALSE(DecodeSLPFrame(file, info, palette, image, layer));
    const EncoderFrame got = FrameFromSurfaces(image, layer, info.hotspotX, info.hotspotY);
    ASSERT_EQ(got.image.size(), want.image.size()) << "frame " << n;
    for (std::size_t i = 0; i < want.image.size(); ++i) {
      const auto x = static_cast<std::int32_t>(i % want.width);
      const auto y = static_cast<std::int32_t>(i / want.width);
      ASSERT_EQ(got.image[i], want.image[i]) << "image, frame " << n << " x " << x << " y " << y;
      ASSERT_EQ(got.layer[i], want.layer[i]) << "layer, frame " << n << " x " << x << " y " << y;
    }
  }
}

// ---- Command choice ---------------------------------------------------------------------------

struct RowCase {
  const char *name;
  std::string row;
  std::int16_t left;
  std::int16_t right;
  Bytes commands;
};

std::vector<RowCase> RowCases() {
  Bytes alternating;
  for (int i = 0; i < 35; ++i)
    alternating.insert(alternating.end(), {1, 2});
  return {
      {"TwentyEqualPixelsAreOneFill", std::string(20, 'a'), 0, 0, {0x07, 20, 1, 0x0F}},
      {"FiveEqualPixelsAreOneShortFill", "aaaaa", 0, 0, {0x57, 1, 0x0F}},
      {"MixedPixelsAreOneCopy", "abcde", 0, 0, {0x14, 1, 2, 3, 4, 5, 0x0F}},
      {"MarginsBecomeLeftAndRight", "..abcde...", 2, 3, {0x14, 1, 2, 3, 4, 5, 0x0F}},
      {"LongMixedRunIsALongCopy", Repeat("ab", 35), 0, 0,
       Concat({{0x02, 70}, alternating, {0x0F}})},
      {"RunInsideMixedPixelsIsAFill",
       "abcddddddddde",
       0,
       0,
       {0x0C, 1, 2, 3, 0x97, 4, 0x17, 5, 0x0F}},
      {"OnePixelInnerOutline", "+", 0, 0, {0x4E, 0x0F}},
      {"InnerOutlineSpan", "+++", 0, 0, {0x5E, 3, 0x0F}},
      {"OnePixelOuterOutline", "*", 0, 0, {0x6E, 0x0F}},
      {"OuterOutlineSpan", "****", 0, 0, {0x7E, 4, 0x0F}},
      {"ShortShadow", "######", 0, 0, {0x6B, 0x0F}},
      {"LongShadow", std::string(20, '#'), 0, 0, {0x0B, 20, 0x0F}},
      {"ShortGapIsAShortSkip", "a...b", 0, 0, {0x17, 1, 0x0D, 0x17, 2, 0x0F}},
      {"LongGapIsALongSkip",
       "a" + std::string(300, '.') + "b",
       0,
       0,
       {0x17, 1, 0x13, 0x2C, 0x17, 2, 0x0F}},
      {"PlayerFill", "AAA", 0, 0, {0x3A, 0, 0x0F}},
      {"LongPlayerRunIsASpan", std::string(20, 'C'), 0, 0, {0x2E, 20, 0x0F}},
      // 0x5E would be the inner outline span, so player colour 5 takes the fill.
      {"LongPlayerRunBesideTheOutlineCodesIsAFill",
       std::string(20, 'F'),
       0,
       0,
       {0x0A, 20, 5, 0x0F}},
      {"MixedPlayerPixelsAreACopy", "BCD", 0, 0, {0x36, 1, 2, 3, 0x0F}},
      {"LayersMeetInOneRow", "a#+*.B", 0, 0, {0x17, 1, 0x1B, 0x4E, 0x6E, 0x05, 0x1A, 1, 0x0F}},
      {"TransparentRowIsMarkedEmpty", "....", kEmptyRow, 0, {0x0F}},
      {"UntouchedTailEndsTheRowEarly", "aa__", 0, 0, {0x27, 1, 0x0F}},
      {"UntouchedTailAfterLeftMargin", "..a__", 2, 0, {0x17, 1, 0x0F}},
      {"UntouchedTailAfterRightMargin", "a..__", 0, 2, {0x17, 1, 0x0F}},
      {"TransparentThenUntouched", "..__", 2, 0, {0x0F}},
      {"WhollyUntouchedRow", "____", 0, 0, {0x0F}},
  };
}

void PrintTo(const RowCase &c, std::ostream *os) { *os << c.name; }

class EncoderRowTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(EncoderRowTest, WritesCompactCommandsThatDecodeBack) {
  const RowCase &c = GetParam();
  const std::vector<EncoderFrame> frames{FrameOfRows({c.row})};
  const Bytes sprite = EncodeSLP(frames, TestPalette());
  const WrittenRow row = RowOf(sprite, 1, 0);
  EXPECT_EQ(row.left, c.left);
  EXPECT_EQ(row.right, c.right);
  EXPECT_EQ(row.commands, c.commands);
  ExpectDecodesTo(sprite, frames, TestPalette());
}

INSTANTIATE_TEST_SUITE_P(Rows, EncoderRowTest, ::testing::ValuesIn(RowCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(EncoderLongRuns, ChainsCommandsPastTheirCountLimits) {
  // 300 equal pixels need two fills; 5000 transparent pixels two skips; 600 shadow, outline
  // and player pixels several spans; 5000 mixed pixels two copies.
  std::string mixed;
  for (int i = 0; i < 5000; ++i)
    mixed += static_cast<char>('a' + i % 7);
  std::string players;
  for (int i = 0; i < 600; ++i)
    players += static_cast<char>('A' + i % 3);
  const std::vector<std::string> rows{
      std::string(300, 'a'),
      "a" + std::string(5000, '.') + "b",
      std::string(600, '#'),
      std::string(600, '+'),
      std::string(600, '*'),
      std::string(600, 'G'),
      players,
      mixed,
  };
  std::vector<EncoderFrame> frames;
  for (const std::string &row : rows)
    frames.push_back(FrameOfRows({row}));
  const Bytes sprite = EncodeSLP(frames, TestPalette());
  ExpectDecodesTo(sprite, frames, TestPalette());
  EXPECT_EQ(RowOf(sprite, 1, 0).commands, (Bytes{0x07, 255, 1, 0x07, 45, 1, 0x0F}));
  EXPECT_EQ(RowOf(sprite, 2, 0).commands,
            (Bytes{0x17, 1, 0xF3, 0xFF, 0x33, 0x89, 0x17, 2, 0x0F})); // 4095 + 905
  EXPECT_EQ(RowOf(sprite, 3, 0).commands, (Bytes{0x0B, 255, 0x0B, 255, 0x0B, 90, 0x0F}));
  EXPECT_EQ(RowOf(sprite, 4, 0).commands, (Bytes{0x5E, 255, 0x5E, 255, 0x5E, 90, 0x0F}));
  EXPECT_EQ(RowOf(sprite, 5, 0).commands, (Bytes{0x7E, 255, 0x7E, 255, 0x7E, 90, 0x0F}));
  // Player colour 6 may not use its span (0x6E is the outer outline pixel).
  EXPECT_EQ(RowOf(sprite, 6, 0).commands, (Bytes{0x0A, 255, 6, 0x0A, 255, 6, 0x0A, 90, 6, 0x0F}));
  // Copies are capped at 255 player or 4095 palette pixels.
  EXPECT_EQ(RowOf(sprite, 7, 0).commands.size(), 600u + 2 + 2 + 2 + 1);
  EXPECT_EQ(RowOf(sprite, 8, 0).commands.size(), 5000u + 2 + 2 + 1);
}

// ---- Pixels the palette or the format cannot express ------------------------------------------

struct RefusalCase {
  const char *name;
  Colour image;
  Colour layer;
  const char *reason; // part of the detail
};

std::vector<RefusalCase> RefusalCases() {
  const PaletteTable p = TestPalette();
  return {
      {"ColourInNoPaletteEntry", 0x123456, kMapWhite, "no palette entry"},
      {"PlayerColourOnlyBelowEntry16", p[5], kMapGreen, "no palette entry 16..255"},
      {"UnknownLayerCode", p[1], 0x123456, "no layer code"},
      {"TransparentWithAColour", p[1], kKeyMagenta, "transparent"},
      {"ShadowWithAColour", kKeyMagenta, kShadowRed, "shadow"},
      {"InnerOutlineWithAColour", p[1], kMapBlue, "inner outline"},
      {"OuterOutlineWithAColour", p[1], kMapYellow, "outer outline"},
      {"BlackLayerUnderAColour", p[1], 0x000000, "#000000"},
      {"UntouchedPixelBeforeDrawnOnes", 0x000000, 0x000000, "end of its row"},
  };
}

void PrintTo(const RefusalCase &c, std::ostream *os) { *os << c.name; }

class EncoderRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(EncoderRefusalTest, NamesFrameColumnAndRow) {
  const RefusalCase &c = GetParam();
  std::vector<EncoderFrame> frames{FrameOfRows({"a"}), FrameOfRows({"abcde", "abcde"})};
  frames[1].image[5 + 3] = c.image;
  frames[1].layer[5 + 3] = c.layer;
  const auto error =
      test::ExpectError([&] { EncodeSLP(frames, TestPalette()); }, kEncodeErrorText, c.reason);
  if (error) {
    EXPECT_NE(error->detail().find("frame 2, x 3, y 1"), std::string::npos) << error->detail();
  }
}

INSTANTIATE_TEST_SUITE_P(Pixels, EncoderRefusalTest, ::testing::ValuesIn(RefusalCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(EncoderRefusal, FramesThatCannotBeSprites) {
  const auto expectRefused = [](const std::vector<EncoderFrame> &frames, const char *part) {
    test::ExpectError([&] { EncodeSLP(frames, TestPalette()); }, kEncodeErrorText, part);
  };
  expectRefused({}, "at least one frame");
  EncoderFrame short_ = FrameOfRows({"abc"});
  short_.image.pop_back();
  expectRefused({short_}, "frame 1: pixel arrays");
  EncoderFrame wide;
  wide.width = kMaxFrameColumns + 1;
  wide.height = 1;
  wide.image.assign(wide.width, kKeyMagenta);
  wide.layer = wide.image;
  expectRefused({FrameOfRows({"a"}), wide}, "frame 2: size 32768 x 1");
  EncoderFrame tall;
  tall.width = 1;
  tall.height = kMaxFrameRows + 1;
  tall.image.assign(tall.height, kKeyMagenta);
  tall.layer = tall.image;
  expectRefused({tall}, "8193");
  // Within the sides but over the storage of one picture: the loader would refuse the sprite,
  // so it is not written (and its pixel arrays are not even looked at).
  EncoderFrame heavy;
  heavy.width = 10923;
  heavy.height = kMaxFrameRows;
  expectRefused({heavy}, "frame 1: size 10923 x 8192 needs more than the 256 MiB");
}

// ---- Colours that look special but are ordinary -----------------------------------------------

TEST(EncoderColours, BlackAndMagentaPaletteEntriesAreOrdinaryPixels) {
  const PaletteTable palette = DefaultPalette();
  ASSERT_EQ(palette[0], 0x000000u);
  ASSERT_EQ(palette[252], kKeyMagenta);
  EncoderFrame frame;
  frame.width = 4;
  frame.height = 1;
  // Black and magenta under map white, then a pixel no command reached.
  frame.image = {0x000000, kKeyMagenta, 0x000000, 0x000000};
  frame.layer = {kMapWhite, kMapWhite, kMapWhite, 0x000000};
  const Bytes sprite = EncodeSLP({frame}, palette);
  ExpectDecodesTo(sprite, {frame}, palette);
  EXPECT_EQ(RowOf(sprite, 1, 0).right, 0);
}

TEST(EncoderColours, TakesTheFirstEntryOfAColourAndPlayerColoursFromEntry16On) {
  PaletteTable palette = TestPalette();
  palette[40] = palette[3]; // one colour in an ordinary and a player entry
  palette[90] = palette[3];
  EncoderFrame frame;
  frame.width = 2;
  frame.height = 1;
  frame.image = {palette[3], palette[3]};
  frame.layer = {kMapWhite, kMapGreen};
  const Bytes sprite = EncodeSLP({frame}, palette);
  EXPECT_EQ(RowOf(sprite, 1, 0).commands, (Bytes{0x17, 3, 0x1A, 40 - 16, 0x0F}));
  ExpectDecodesTo(sprite, {frame}, palette);
}

TEST(EncoderLayout, HeaderAndFrameRecordsDescribeTheFrames) {
  const std::vector<EncoderFrame> frames{FrameOfRows({"ab", "cd", ".."}, TestPalette(), -3, 40),
                                         FrameOfRows({"abc"}, TestPalette(), 7, -1)};
  const Bytes sprite = EncodeSLP(frames, TestPalette());
  EXPECT_EQ(LoadI32(sprite.data() + 4), 2);
  const SLPFile file = ParseSLP(sprite, "encoded.slp");
  EXPECT_EQ(file.frame(1).width, 2);
  EXPECT_EQ(file.frame(1).height, 3);
  EXPECT_EQ(file.frame(1).hotspotX, -3);
  EXPECT_EQ(file.frame(1).hotspotY, 40);
  EXPECT_EQ(file.frame(2).hotspotX, 7);
  EXPECT_EQ(file.frame(2).hotspotY, -1);
  // The first frame's tables follow the header and the two frame records.
  EXPECT_EQ(file.frame(1).outlineTableOffset, 32 + 2 * 32);
  EXPECT_EQ(file.frame(1).commandTableOffset, 32 + 2 * 32 + 3 * 4);
  ExpectDecodesTo(sprite, frames, TestPalette());
}

TEST(EncoderLayout, FramesWithoutPixels) {
  EncoderFrame noRows = FrameOfRows({});
  noRows.width = 5;
  const std::vector<EncoderFrame> frames{noRows, FrameOfRows({"", ""})};
  const Bytes sprite = EncodeSLP(frames, TestPalette());
  ExpectDecodesTo(sprite, frames, TestPalette());
}

// ---- decode(encode(x)) == x over drawn frames ---------------------------------------------------

// A random frame: rows made of runs of every layer, runs of one index (fills) and of mixed
// indices (copies), long runs now and then, and a tail of untouched pixels on some rows.
EncoderFrame RandomFrame(std::mt19937 &rng, const PaletteTable &palette, int maxWidth,
                         int maxHeight) {
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
  EncoderFrame frame;
  frame.width = pick(0, maxWidth);
  frame.height = pick(0, maxHeight);
  frame.hotspotX = pick(-50, 50);
  frame.hotspotY = pick(-50, 50);
  for (int y = 0; y < frame.height; ++y) {
    const int tail = pick(0, 3) == 0 ? pick(0, frame.width) : 0;
    int x = 0;
    while (x < frame.width - tail) {
      const int length =
          std::min(pick(0, 9) == 0 ? pick(1, 700) : pick(1, 6), frame.width - tail - x);
      const int kind = pick(0, 6);
      const bool mixed = pick(0, 1) == 0;
      const int index = pick(0, 255);
      // Low player indices half the time: their spans share command bytes with the outlines.
      const int player = pick(0, 1) == 0 ? pick(0, 15) : pick(0, 239);
      for (int i = 0; i < length; ++i, ++x) {
        switch (kind) {
        case 0:
          frame.image.push_back(kKeyMagenta), frame.layer.push_back(kKeyMagenta);
          break;
        case 1:
          frame.image.push_back(palette[mixed ? pick(0, 255) : index]);
          frame.layer.push_back(kMapWhite);
          break;
        case 2:
          frame.image.push_back(palette[16 + (mixed ? pick(0, 239) : player)]);
          frame.layer.push_back(kMapGreen);
          break;
        case 3:
          frame.image.push_back(kShadowRed), frame.layer.push_back(kShadowRed);
          break;
        case 4:
          frame.image.push_back(kKeyMagenta), frame.layer.push_back(kMapBlue);
          break;
        case 5:
          frame.image.push_back(kKeyMagenta), frame.layer.push_back(kMapYellow);
          break;
        default: // palette pixels drawn from a few indices, so runs and mixes alternate
          frame.image.push_back(palette[pick(1, 3)]);
          frame.layer.push_back(kMapWhite);
          break;
        }
      }
    }
    for (int i = 0; i < tail; ++i)
      frame.image.push_back(0), frame.layer.push_back(0);
  }
  return frame;
}

TEST(EncoderProperty, DecodingTheEncodingGivesTheFramesBack) {
  std::mt19937 rng(20010611);
  // The default palette repeats some colours; the test palette does not.
  for (const PaletteTable &palette : {DefaultPalette(), TestPalette()}) {
    for (int round = 0; round < 20; ++round) {
      std::vector<EncoderFrame> frames;
      const int count = std::uniform_int_distribution(1, 6)(rng);
      for (int n = 0; n < count; ++n)
        frames.push_back(RandomFrame(rng, palette, round % 5 == 0 ? 2000 : 80, 12));
      SCOPED_TRACE("round " + std::to_string(round));
      ExpectDecodesTo(EncodeSLP(frames, palette), frames, palette);
      if (HasFatalFailure())
        return;
    }
  }
}

// ---- slx -> encode -> slx ---------------------------------------------------------------------

class EncoderRoundTrip : public ::testing::Test {
protected:
  test::TempDir dir;

  // Exports the sprite as SLX, encodes that export, exports the encoded sprite again and
  // expects the very same files.
  void ExpectSameExportAfterEncoding(const Bytes &sprite, const PaletteTable &palette) {
    std::filesystem::create_directories(dir.path() / "first");
    std::filesystem::create_directories(dir.path() / "second");
    test::WriteFile(dir.file("original.slp"), sprite);
    ExportSLX(dir.file("original.slp"), dir.file("first/walk"), palette);
    const std::vector<EncoderFrame> frames = ReadSLX(dir.file("first/walk.slx"));
    SaveSLP(dir.file("encoded.slp"), EncodeSLP(frames, palette));
    ExportSLX(dir.file("encoded.slp"), dir.file("second/walk"), palette);
    std::size_t compared = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path() / "first")) {
      const auto name = entry.path().filename();
      EXPECT_EQ(test::ReadFile(entry.path().string()),
                test::ReadFile((dir.path() / "second" / name).string()))
          << name;
      ++compared;
    }
    EXPECT_EQ(compared, 1 + 2 * frames.size());
  }
};

// Rows drawn with every command the decoder knows, including the ones the encoder never
// writes (count bytes on short skips, zero counts, spans off the right edge, negative left
// margins, rows stopped short).
std::vector<test::FrameSpec> EveryCommandFrames() {
  using test::RowSpec;
  test::FrameSpec a;
  a.width = 12;
  a.hotspotX = -3;
  a.hotspotY = 40;
  a.rows = {
      RowSpec{2, 3, {0x14, 1, 2, 3, 4, 5, 0x0F}},
      RowSpec{kEmptyRow, 7, {0xAA}},
      RowSpec{0, 0, {0x01, 3, 0x00, 0x27, 9, 0x0B, 2, 0x4E, 0x6E, 0x0F}},
      RowSpec{1, 1, {0x3E, 2, 0x26, 7, 200, 0x5E, 3, 0x7E, 2, 0x0F}},
      RowSpec{0, 2, {0x02, 5, 10, 11, 12, 13, 14, 0x0F}}, // stops short: columns 7..11 untouched
      RowSpec{3, 0, {0x0F}},                              // nothing after the left margin
      RowSpec{0, 0, {0x23, 0x10, 0x0F}},                  // a skip far past the edge
      RowSpec{-4, 2, {0x07, 9, 60, 0x0A, 2, 1, 0x0F}},    // starts left of the frame
      RowSpec{0, 0, {0x6B, 0x0E, 4, 0x0F}},
  };
  test::FrameSpec b = test::UniformFrame(5, 3, {0x57, 200, 0x0F}, 2, 2);
  b.rows[1] = RowSpec{0, 0, {0x0F}}; // a row of untouched pixels only
  return {a, b};
}

TEST_F(EncoderRoundTrip, HandMadeSpriteOfEveryCommand) {
  ExpectSameExportAfterEncoding(test::BuildSLP(EveryCommandFrames()).bytes, TestPalette());
}

TEST_F(EncoderRoundTrip, HandMadeSpriteThroughTheDefaultPalette) {
  ExpectSameExportAfterEncoding(test::BuildSLP(EveryCommandFrames()).bytes, DefaultPalette());
}

TEST_F(EncoderRoundTrip, RandomFramesOfTenFrames) {
  std::mt19937 rng(5000);
  std::vector<EncoderFrame> frames;
  for (int n = 0; n < 10; ++n)
    frames.push_back(RandomFrame(rng, DefaultPalette(), 60, 20));
  ExpectSameExportAfterEncoding(EncodeSLP(frames, DefaultPalette()), DefaultPalette());
}

TEST_F(EncoderRoundTrip, PlayerIndexPastThePaletteIsRefusedNotGuessed) {
  // Stored player index 240 lands outside entries 16..255, which no encoding can write.
  const Bytes sprite = test::BuildSLP({test::UniformFrame(2, 1, {0x2A, 240, 0x0F})}).bytes;
  test::WriteFile(dir.file("s.slp"), sprite);
  ExportSLX(dir.file("s.slp"), dir.file("s"), TestPalette());
  const std::vector<EncoderFrame> frames = ReadSLX(dir.file("s.slx"));
  try {
    EncodeSLP(frames, TestPalette());
    FAIL() << "encoded a player colour outside entries 16..255";
  } catch (const Error &e) {
    EXPECT_NE(e.detail().find("frame 1, x 0, y 0"), std::string::npos) << e.detail();
  }
}

} // namespace
} // namespace tessary
