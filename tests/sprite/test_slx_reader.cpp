#include "sprite/slx_reader.hpp"

#include "common/error.hpp"
#include "sprite/slp_decoder.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"
#include "surface/bmp_reader.hpp"
#include "surface/dib_section.hpp"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(ParseSLX, ReadsHotspotsAndNamesWithEitherLineEnd) {
  for (const std::string end : {"\r\n", "\n"}) {
    const std::string text = "SLX 0.5" + end + "2" + end + "24,51" + end + "walk1d.bmp" + end +
                             "walk1c.bmp" + end + "-3,-40" + end + "walk2d.bmp" + end +
                             "walk2c.bmp" + end;
    const std::vector<SLXFrameEntry> frames = ParseSLX(text, "walk.slx");
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].hotspotX, 24);
    EXPECT_EQ(frames[0].hotspotY, 51);
    EXPECT_EQ(frames[0].layerName, "walk1d.bmp");
    EXPECT_EQ(frames[0].imageName, "walk1c.bmp");
    EXPECT_EQ(frames[1].hotspotX, -3);
    EXPECT_EQ(frames[1].hotspotY, -40);
    EXPECT_EQ(frames[1].layerName, "walk2d.bmp");
    EXPECT_EQ(frames[1].imageName, "walk2c.bmp");
  }
}

TEST(ParseSLX, LastLineEndAndTrailingBlankLinesAreOptional) {
  EXPECT_EQ(ParseSLX("SLX 0.5\r\n1\r\n0,0\r\nd.bmp\r\nc.bmp", "x.slx").size(), 1u);
  EXPECT_EQ(ParseSLX("SLX 0.5\r\n1\r\n0,0\r\nd.bmp\r\nc.bmp\r\n\r\n\n", "x.slx").size(), 1u);
}

struct BadIndexCase {
  const char *name;
  std::string text;
  const char *reason; // part of the detail
};

std::vector<BadIndexCase> BadIndexCases() {
  const std::string head = "SLX 0.5\r\n1\r\n";
  return {
      {"Empty", "", "ends after line 0"},
      {"WrongMagic", "SLX 0.6\r\n1\r\n0,0\r\nd.bmp\r\nc.bmp\r\n", "line 1 reads \"SLX 0.6\""},
      {"CountNotANumber", "SLX 0.5\r\nmany\r\n", "\"many\" is no frame count"},
      {"CountZero", "SLX 0.5\r\n0\r\n", "frame count 0"},
      {"CountNegative", "SLX 0.5\r\n-1\r\n", "frame count -1"},
      {"CountTooLarge", "SLX 0.5\r\n40000\r\n", "frame count 40000"},
      {"CountWithPlus", "SLX 0.5\r\n+1\r\n", "no frame count"},
      {"MissingFrame", "SLX 0.5\r\n2\r\n0,0\r\nd.bmp\r\nc.bmp\r\n", "hotspot of frame 2"},
      {"MissingImageName", head + "0,0\r\nd.bmp\r\n", "image bitmap name of frame 1"},
      {"HotspotWithoutComma", head + "12\r\nd.bmp\r\nc.bmp\r\n", "no hotspot"},
      {"HotspotWithSpaces", head + "1, 2\r\nd.bmp\r\nc.bmp\r\n", "no hotspot"},
      {"HotspotThreeNumbers", head + "1,2,3\r\nd.bmp\r\nc.bmp\r\n", "no hotspot"},
      {"HotspotOutOfRange", head + "99999999999,0\r\nd.bmp\r\nc.bmp\r\n", "no hotspot"},
      {"EmptyName", head + "0,0\r\n\r\nc.bmp\r\n", "no layer-map bitmap file name"},
      {"NameWithFolder", head + "0,0\r\nd.bmp\r\n../c.bmp\r\n", "without a folder"},
      {"NameWithBackslash", head + "0,0\r\nsub\\d.bmp\r\nc.bmp\r\n", "without a folder"},
      {"NameDotDot", head + "0,0\r\n..\r\nc.bmp\r\n", "no layer-map bitmap file name"},
      {"MoreLinesThanFrames", head + "0,0\r\nd.bmp\r\nc.bmp\r\n0,0\r\n", "line 6 follows"},
  };
}

void PrintTo(const BadIndexCase &c, std::ostream *os) { *os << c.name; }

class ParseSLXRefusal : public ::testing::TestWithParam<BadIndexCase> {};

TEST_P(ParseSLXRefusal, NamesTheFileAndTheLine) {
  const auto error = test::ExpectError([&] { ParseSLX(GetParam().text, "walk.slx"); },
                                       kSLXReadErrorText, GetParam().reason);
  if (error) {
    EXPECT_NE(error->detail().find("walk.slx"), std::string::npos) << error->detail();
  }
}

INSTANTIATE_TEST_SUITE_P(Indexes, ParseSLXRefusal, ::testing::ValuesIn(BadIndexCases()),
                         [](const auto &info) { return std::string(info.param.name); });

class ReadSLXTest : public ::testing::Test {
protected:
  test::TempDir dir;

  void SaveBitmap(const std::string &name, std::int32_t width, std::int32_t height, Colour colour) {
    cDIBSection surface;
    ASSERT_TRUE(surface.Create(width, height));
    for (std::int32_t y = 0; y < height; ++y)
      surface.FillRow(0, width - 1, y, colour);
    surface.SetPixel(0, 0, 0x000001); // so the top row is told from the bottom one
    surface.SavePicture(dir.file(name));
  }
};

TEST_F(ReadSLXTest, LoadsBothBitmapsOfEveryFrameFromTheIndexFolder) {
  SaveBitmap("w1d.bmp", 3, 2, kMapWhite);
  SaveBitmap("w1c.bmp", 3, 2, 0x203040);
  SaveBitmap("w2d.bmp", 1, 4, kKeyMagenta);
  SaveBitmap("w2c.bmp", 1, 4, kKeyMagenta);
  test::WriteText(dir.file("w.slx"),
                  "SLX 0.5\r\n2\r\n5,-6\r\nw1d.bmp\r\nw1c.bmp\r\n0,9\r\nw2d.bmp\r\nw2c.bmp\r\n");
  const std::vector<EncoderFrame> frames = ReadSLX(dir.file("w.slx"));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].hotspotX, 5);
  EXPECT_EQ(frames[0].hotspotY, -6);
  EXPECT_EQ(frames[0].width, 3);
  EXPECT_EQ(frames[0].height, 2);
  EXPECT_EQ(frames[0].image,
            (std::vector<Colour>{0x000001, 0x203040, 0x203040, 0x203040, 0x203040, 0x203040}));
  EXPECT_EQ(frames[0].layer,
            (std::vector<Colour>{0x000001, kMapWhite, kMapWhite, kMapWhite, kMapWhite, kMapWhite}));
  EXPECT_EQ(frames[1].hotspotY, 9);
  EXPECT_EQ(frames[1].width, 1);
  EXPECT_EQ(frames[1].height, 4);
}

TEST_F(ReadSLXTest, BitmapsOfUnequalSizeAreRefused) {
  SaveBitmap("d.bmp", 3, 2, kMapWhite);
  SaveBitmap("c.bmp", 2, 3, kMapWhite);
  test::WriteText(dir.file("w.slx"), "SLX 0.5\r\n1\r\n0,0\r\nd.bmp\r\nc.bmp\r\n");
  test::ExpectError([&] { ReadSLX(dir.file("w.slx")); }, kSLXReadErrorText,
                    "frame 1: image c.bmp is 2 x 3 but layer map d.bmp is 3 x 2");
}

TEST_F(ReadSLXTest, MissingBitmapOrIndexIsAReadError) {
  test::WriteText(dir.file("w.slx"), "SLX 0.5\r\n1\r\n0,0\r\nd.bmp\r\nc.bmp\r\n");
  test::ExpectError([&] { ReadSLX(dir.file("w.slx")); }, kBitmapReadErrorText, "d.bmp");
  test::ExpectError([&] { ReadSLX(dir.file("none.slx")); }, kSLXReadErrorText, "none.slx");
}

} // namespace
} // namespace tessary
