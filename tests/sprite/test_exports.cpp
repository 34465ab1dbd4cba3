#include "common/error.hpp"
#include "sprite/exports.hpp"
#include "sprite/slp_builder.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"
#include "surface/bmp_writer.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::BuildSLP;
using test::FrameSpec;
using test::Repeat;
using test::RowColours;
using test::RowSpec;
using test::UniformFrame;

const PaletteTable P = test::TestPalette();

// Reads back a 24-bit BMP the exports wrote, pixel by pixel.
struct Bmp {
  std::int32_t width = 0, height = 0;
  std::vector<std::uint8_t> bytes;
  Colour at(std::int32_t x, std::int32_t y) const {
    const std::int32_t stride = (width * 3 + 3) & ~3;
    return LoadPixel(bytes.data() + 54 + static_cast<std::size_t>(height - 1 - y) * stride + 3 * x);
  }
  std::vector<Colour> row(std::int32_t y) const {
    std::vector<Colour> r;
    for (std::int32_t x = 0; x < width; ++x)
      r.push_back(at(x, y));
    return r;
  }
};

Bmp ReadBmp(const std::string &path) {
  Bmp b;
  b.bytes = test::ReadFile(path);
  b.width = LoadI32(b.bytes.data() + 18);
  b.height = LoadI32(b.bytes.data() + 22);
  return b;
}

std::set<std::string> FilesIn(const fs::path &dir) {
  std::set<std::string> names;
  for (const auto &e : fs::directory_iterator(dir))
    names.insert(e.path().filename().string());
  return names;
}

class ExportTest : public ::testing::Test {
protected:
  std::string WriteSprite(const std::vector<FrameSpec> &frames) {
    test::WriteFile(dir.file("s.slp"), BuildSLP(frames).bytes);
    return dir.file("s.slp");
  }
  std::string base(const std::string &name = "walk") const { return dir.file(name); }
  test::TempDir dir;
};

// ---- image sequence ----

TEST_F(ExportTest, FramesAreAlignedOnTheirHotspots) {
  // 10 x 10 with hotspot (5, 5) and 4 x 4 with hotspot (0, 0): canvas 10 x 10, the second frame
  // at columns and rows 5 ... 8.
  const auto sprite = WriteSprite(
      {UniformFrame(10, 10, {0xA7, 1, 0x0F}, 5, 5), UniformFrame(4, 4, {0x47, 2, 0x0F}, 0, 0)});
  ExportImageSequence(sprite, base(), P, DisplayOptions{});
  const Bmp first = ReadBmp(base() + "001.bmp");
  EXPECT_EQ(first.width, 10);
  EXPECT_EQ(first.height, 10);
  EXPECT_EQ(first.row(9), Repeat(10, P[1]));
  const Bmp second = ReadBmp(base() + "002.bmp");
  ASSERT_EQ(second.width, 10);
  ASSERT_EQ(second.height, 10);
  for (std::int32_t y = 0; y < 10; ++y)
    for (std::int32_t x = 0; x < 10; ++x) {
      const bool inside = x >= 5 && x <= 8 && y >= 5 && y <= 8;
      EXPECT_EQ(second.at(x, y), inside ? P[2] : 0x000000u) << x << "," << y;
    }
}

TEST_F(ExportTest, HotspotOutsideItsFrameWidensTheCanvas) {
  const auto sprite = WriteSprite(
      {UniformFrame(2, 1, {0x27, 1, 0x0F}, -3, 0), UniformFrame(1, 1, {0x17, 2, 0x0F}, 0, 0)});
  DisplayOptions o;
  o.maskColour = 0x010101;
  ExportImageSequence(sprite, base(), P, o);
  EXPECT_EQ(ReadBmp(base() + "001.bmp").row(0),
            (std::vector<Colour>{0x010101, 0x010101, 0x010101, P[1], P[1]}));
  EXPECT_EQ(ReadBmp(base() + "002.bmp").row(0),
            (std::vector<Colour>{P[2], 0x010101, 0x010101, 0x010101, 0x010101}));
}

TEST_F(ExportTest, SameSizedFramesKeepTheirSizeAndAreNumberedFromOne) {
  std::vector<FrameSpec> frames;
  for (int n = 0; n < 7; ++n)
    frames.push_back(UniformFrame(3, 2, {0x37, static_cast<std::uint8_t>(n), 0x0F}, 1, 1));
  const auto sprite = WriteSprite(frames);
  std::vector<std::pair<int, int>> calls;
  ExportImageSequence(sprite, base(), P, DisplayOptions{},
                      [&](std::int32_t n, std::int32_t count) { calls.emplace_back(n, count); });
  EXPECT_EQ(FilesIn(dir.path()),
            (std::set<std::string>{"s.slp", "walk001.bmp", "walk002.bmp", "walk003.bmp",
                                   "walk004.bmp", "walk005.bmp", "walk006.bmp", "walk007.bmp"}));
  const Bmp seventh = ReadBmp(base() + "007.bmp");
  EXPECT_EQ(seventh.width, 3);
  EXPECT_EQ(seventh.height, 2);
  EXPECT_EQ(seventh.row(1), Repeat(3, P[6]));
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls.front(), std::make_pair(1, 7));
  EXPECT_EQ(calls.back(), std::make_pair(7, 7));
}

TEST_F(ExportTest, OnlyTheMaskColourApplies) {
  // palette, player, shadow, inner outline, outer outline, transparent, a right margin, and a
  // pixel the commands never reach (black in the decoded image, so copied as black).
  const std::vector<std::uint8_t> layers = {0x04, 9, 0x0E, 1, 0x1B, 0x4E, 0x6E, 0x05, 0x0F};
  FrameSpec f = UniformFrame(8, 1, layers);
  f.rows[0].right = 1;
  const auto sprite = WriteSprite({f});
  DisplayOptions o;
  o.shadowColour = 0x111111;
  o.innerOutlineColour = 0x222222;
  o.outerOutlineColour = 0x333333;
  ExportImageSequence(sprite, base(), P, o);
  const Colour K = 0x000000;
  EXPECT_EQ(ReadBmp(base() + "001.bmp").row(0),
            (std::vector<Colour>{P[9], P[16], kShadowRed, K, K, K, K, K}));
  o.maskColour = 0x00AB00;
  ExportImageSequence(sprite, base(), P, o);
  EXPECT_EQ(ReadBmp(base() + "001.bmp").row(0),
            (std::vector<Colour>{P[9], P[16], kShadowRed, 0x00AB00, 0x00AB00, 0x00AB00, 0x00AB00,
                                 0x000000}));
}

TEST_F(ExportTest, AbsurdCanvasIsRefusedBeforeAnythingIsWritten) {
  const auto sprite =
      WriteSprite({UniformFrame(1, 1, {0x0F}, 0, 0), UniformFrame(1, 1, {0x0F}, -40000, 0)});
  test::ExpectError([&] { ExportImageSequence(sprite, base(), P, DisplayOptions{}); },
                    kSpriteErrorText, "40001 x 1");
  EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"s.slp"});
}

TEST_F(ExportTest, CanvasTooLargeInStorageIsRefused) {
  // 20000 x 8000 pixels is within 32767 a side but 480 MB of storage.
  const auto sprite =
      WriteSprite({UniformFrame(1, 1, {0x0F}, 0, 0), UniformFrame(1, 1, {0x0F}, -19999, -7999)});
  EXPECT_THROW(ExportImageSequence(sprite, base(), P, DisplayOptions{}), Error);
  EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"s.slp"});
}

TEST_F(ExportTest, FailureHalfwayLeavesNoFileBehind) {
  auto built = BuildSLP({UniformFrame(2, 2, {0x27, 1, 0x0F}), UniformFrame(2, 2, {0x0F}),
                         UniformFrame(2, 2, {0x0F})});
  test::SetI32(built.bytes, built.frames[1].commandTable, 1 << 30); // frame 2 is broken
  test::WriteFile(dir.file("s.slp"), built.bytes);
  EXPECT_THROW(ExportImageSequence(dir.file("s.slp"), base(), P, DisplayOptions{}), Error);
  EXPECT_THROW(ExportSLX(dir.file("s.slp"), base(), P), Error);
  EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"s.slp"});
}

TEST_F(ExportTest, ExistingFilesAreReplacedOnlyOnSuccess) {
  test::WriteText(base() + "001.bmp", "old");
  auto built = BuildSLP({UniformFrame(2, 2, {0x27, 1, 0x0F}), UniformFrame(2, 2, {0x0F})});
  test::SetI32(built.bytes, built.frames[1].commandTable, -4);
  test::WriteFile(dir.file("s.slp"), built.bytes);
  EXPECT_THROW(ExportImageSequence(dir.file("s.slp"), base(), P, DisplayOptions{}), Error);
  EXPECT_EQ(test::ReadFile(base() + "001.bmp"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

  const auto sprite = WriteSprite({UniformFrame(2, 2, {0x27, 1, 0x0F})});
  ExportImageSequence(sprite, base(), P, DisplayOptions{});
  EXPECT_EQ(ReadBmp(base() + "001.bmp").width, 2);
}

TEST_F(ExportTest, UnwritableTargetIsASaveError) {
  const auto sprite = WriteSprite({UniformFrame(2, 2, {0x0F})});
  test::ExpectError(
      [&] { ExportImageSequence(sprite, dir.file("missing/walk"), P, DisplayOptions{}); },
      "Error saving file!", "missing/walk");
  test::ExpectError([&] { ExportSLX(sprite, dir.file("missing/walk"), P); }, "Error saving file!",
                    "missing/walk");
  EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"s.slp"});
}

// ---- SLX ----

TEST_F(ExportTest, SlxIndexAndBitmapsOfTwoFrames) {
  const auto built = BuildSLP({UniformFrame(3, 2, {0x1B, 0x27, 4, 0x0F}, 24, 51),
                               UniformFrame(2, 1, {0x4E, 0x6E, 0x0F}, -3, 40)});
  test::WriteFile(dir.file("s.slp"), built.bytes);
  std::vector<int> frames;
  ExportSLX(dir.file("s.slp"), base(), P, [&](std::int32_t n, std::int32_t count) {
    EXPECT_EQ(count, 2);
    frames.push_back(n);
  });
  EXPECT_EQ(frames, (std::vector<int>{1, 2}));
  const std::string expected = "SLX 0.5\r\n2\r\n24,51\r\nwalk1d.bmp\r\nwalk1c.bmp\r\n"
                               "-3,40\r\nwalk2d.bmp\r\nwalk2c.bmp\r\n";
  const auto slx = test::ReadFile(base() + ".slx");
  EXPECT_EQ(std::string(slx.begin(), slx.end()), expected);
  EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"s.slp", "walk.slx", "walk1c.bmp",
                                                        "walk1d.bmp", "walk2c.bmp", "walk2d.bmp"}));

  const SLPFile sprite = test::Parse(built);
  for (std::int32_t n : {1, 2}) {
    SCOPED_TRACE(n);
    const auto d = test::DecodeFrame(sprite, n);
    EXPECT_EQ(test::ReadFile(base() + std::to_string(n) + "c.bmp"), BmpFileBytes(d.image));
    EXPECT_EQ(test::ReadFile(base() + std::to_string(n) + "d.bmp"), BmpFileBytes(d.map));
  }
  // Not recoloured: shadow stays pure red, outlines key magenta.
  EXPECT_EQ(ReadBmp(base() + "1c.bmp").row(0), (std::vector<Colour>{kShadowRed, P[4], P[4]}));
  EXPECT_EQ(ReadBmp(base() + "2c.bmp").row(0), (std::vector<Colour>{kKeyMagenta, kKeyMagenta}));
  EXPECT_EQ(ReadBmp(base() + "2d.bmp").row(0), (std::vector<Colour>{kMapBlue, kMapYellow}));
}

TEST_F(ExportTest, SlxNamesCarryThePlainFrameNumber) {
  std::vector<FrameSpec> frames(10, UniformFrame(1, 1, {0x0F}, 0, 0));
  const auto sprite = WriteSprite(frames);
  ExportSLX(sprite, base(), P);
  const auto slx = test::ReadFile(base() + ".slx");
  const std::string text(slx.begin(), slx.end());
  EXPECT_NE(text.find("0,0\r\nwalk10d.bmp\r\nwalk10c.bmp\r\n"), std::string::npos) << text;
  EXPECT_TRUE(fs::exists(base() + "10c.bmp"));
  EXPECT_TRUE(fs::exists(base() + "10d.bmp"));
  EXPECT_EQ(FilesIn(dir.path()).size(), 1u + 1u + 20u);
}

// ---- file names ----

TEST(ExportFileNames, SequenceAndSlxNames) {
  EXPECT_EQ(SequenceFileName("C:\\out\\walk", 7), "C:\\out\\walk007.bmp");
  EXPECT_EQ(SequenceFileName("out/walk", 1000), "out/walk1000.bmp");
  const SLXFrameFiles tenth = SLXFileNames("out/walk", 10);
  EXPECT_EQ(tenth.image, "out/walk10c.bmp");
  EXPECT_EQ(tenth.layerMap, "out/walk10d.bmp");
  EXPECT_EQ(SLXIndexName("out/walk"), "out/walk.slx");
  EXPECT_EQ(SequenceFileNames("w", 2), (std::vector<std::string>{"w001.bmp", "w002.bmp"}));
  EXPECT_EQ(SLXExportFileNames("w", 2),
            (std::vector<std::string>{"w.slx", "w1c.bmp", "w1d.bmp", "w2c.bmp", "w2d.bmp"}));
}

// The names offered for checks made before an export are exactly the files it writes.
TEST_F(ExportTest, ExportsWriteTheNamesTheyOffer) {
  const auto sprite = WriteSprite(std::vector<FrameSpec>(3, UniformFrame(1, 1, {0x0F})));
  ExportImageSequence(sprite, base(), P, DisplayOptions{});
  ExportSLX(sprite, base(), P);
  std::set<std::string> expected = {"s.slp"};
  for (const auto &names : {SequenceFileNames(base(), 3), SLXExportFileNames(base(), 3)})
    for (const auto &name : names)
      expected.insert(fs::path(name).filename().string());
  EXPECT_EQ(FilesIn(dir.path()), expected);
}

} // namespace
} // namespace tessary
