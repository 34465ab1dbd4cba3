// Frames whose width or height is 0 or less: they draw nothing, but every call that meets one
// gives a defined result instead of refusing the whole sprite.
#include "common/bounded_reader.hpp"
#include "sprite/display_options.hpp"
#include "sprite/exports.hpp"
#include "sprite/slp_builder.hpp"
#include "support/test_support.hpp"
#include "surface/bmp_reader.hpp"
#include "surface/bmp_writer.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessary {
namespace {

using test::BuildSLP;
using test::FrameSpec;
using test::RowSpec;
using test::UniformFrame;

const PaletteTable P = test::TestPalette();
constexpr Colour kMask = 0x123456;

struct EmptyCase {
  const char *name;
  std::int32_t width, height;
};

// Rows for the record are laid out whenever the height is positive, so the frame's tables are
// sound and only its size is unusual.
FrameSpec EmptyFrame(const EmptyCase &c, std::int32_t hotspotX, std::int32_t hotspotY) {
  FrameSpec f;
  f.width = c.width;
  f.rows.assign(static_cast<std::size_t>(std::max(c.height, 0)), RowSpec{0, 0, {0x17, 9, 0x0F}});
  f.height = c.height;
  f.hotspotX = hotspotX;
  f.hotspotY = hotspotY;
  return f;
}

// Frame 1 is 3 x 2 with hotspot (1, 1) in palette colour 5; frame 2 is the empty frame, its
// hotspot far from frame 1's so that counting it in the union box would show.
std::vector<FrameSpec> SpriteWithEmptyFrame(const EmptyCase &c) {
  return {UniformFrame(3, 2, {0x37, 5, 0x0F}, 1, 1), EmptyFrame(c, -50, 40)};
}

const EmptyCase kCases[] = {
    {"height -1", 4, -1},
    {"width -1", -1, 3},
    {"both 0", 0, 0},
};

// The 54 header bytes of a surface that could not be made at width x height, and nothing else.
void ExpectEmptyBmp(const std::string &path, std::int32_t width, std::int32_t height) {
  const auto bytes = test::ReadFile(path);
  ASSERT_EQ(bytes.size(), kBmpHeadersSize) << path;
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(LoadI32(bytes.data() + 2), 54); // file size
  EXPECT_EQ(LoadI32(bytes.data() + 18), width);
  EXPECT_EQ(LoadI32(bytes.data() + 22), height);
  EXPECT_EQ(LoadI32(bytes.data() + 34), 0); // no pixel bytes
}

std::string Text(const std::vector<std::uint8_t> &bytes) { return {bytes.begin(), bytes.end()}; }

class EmptyFrames : public ::testing::Test {
protected:
  std::string WriteSprite(const std::vector<FrameSpec> &frames) {
    test::WriteFile(dir.file("s.slp"), BuildSLP(frames).bytes);
    return dir.file("s.slp");
  }
  test::TempDir dir;
};

TEST_F(EmptyFrames, LoadAndDecodeToSurfacesThatReportTheRequest) {
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    const SLPFile sprite = test::Parse(BuildSLP(SpriteWithEmptyFrame(c)));
    ASSERT_EQ(sprite.frameCount(), 2);
    EXPECT_EQ(sprite.frame(2).width, c.width);
    EXPECT_EQ(sprite.frame(2).height, c.height);

    // Surfaces that held a frame before are re-made at the empty frame's size.
    cDIBSection image, map;
    ASSERT_FALSE(DecodeSLPFrame(sprite, sprite.frame(1), P, image, map));
    ASSERT_TRUE(image.IsCreated());
    EXPECT_FALSE(DecodeSLPFrame(sprite, sprite.frame(2), P, image, map));
    EXPECT_FALSE(image.IsCreated());
    EXPECT_FALSE(map.IsCreated());
    EXPECT_EQ(image.Width(), c.width);
    EXPECT_EQ(image.Height(), c.height);
    EXPECT_EQ(map.Width(), c.width);
    EXPECT_EQ(map.Height(), c.height);
  }
}

TEST_F(EmptyFrames, RenderAndSaveAsBmpGiveAnEmptyPicture) {
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string sprite = WriteSprite(SpriteWithEmptyFrame(c));
    cDIBSection image;
    const RenderedFrame rendered = RenderFrame(sprite, 2, P, DisplayOptions{}, image);
    EXPECT_EQ(rendered.frameCount, 2);
    EXPECT_EQ(rendered.width, c.width);
    EXPECT_EQ(rendered.height, c.height);
    EXPECT_FALSE(rendered.cancelled);
    EXPECT_FALSE(image.IsCreated());

    SaveFrameBMP(sprite, 2, P, DisplayOptions{}, dir.file("frame.bmp"));
    ExpectEmptyBmp(dir.file("frame.bmp"), c.width, c.height);
  }
}

TEST_F(EmptyFrames, SequenceLeavesThemOutOfTheCanvasAndWritesTheBareCanvas) {
  DisplayOptions options;
  options.maskColour = kMask;
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string sprite = WriteSprite(SpriteWithEmptyFrame(c));
    ExportImageSequence(sprite, dir.file("walk"), P, options);

    // The canvas is frame 1's own box: the empty frame's far hotspot does not widen it.
    const BmpImage first = ReadBMP(dir.file("walk001.bmp"));
    ASSERT_EQ(first.width, 3);
    ASSERT_EQ(first.height, 2);
    EXPECT_EQ(first.pixels, std::vector<Colour>(6, P[5]));

    const BmpImage second = ReadBMP(dir.file("walk002.bmp"));
    ASSERT_EQ(second.width, 3);
    ASSERT_EQ(second.height, 2);
    EXPECT_EQ(second.pixels, std::vector<Colour>(6, kMask));
  }
}

TEST_F(EmptyFrames, SequenceOfOnlyEmptyFramesWritesEmptyPictures) {
  const std::string sprite =
      WriteSprite({EmptyFrame(kCases[0], 7, 7), EmptyFrame(kCases[1], 0, 0)});
  ExportImageSequence(sprite, dir.file("none"), P, DisplayOptions{});
  ExpectEmptyBmp(dir.file("none001.bmp"), 0, 0);
  ExpectEmptyBmp(dir.file("none002.bmp"), 0, 0);
}

TEST_F(EmptyFrames, SlxListsTheHotspotAndWritesTwoEmptyPictures) {
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string sprite = WriteSprite(SpriteWithEmptyFrame(c));
    ExportSLX(sprite, dir.file("walk"), P);
    EXPECT_EQ(
        Text(test::ReadFile(dir.file("walk.slx"))),
        "SLX "
        "0.5\r\n2\r\n1,1\r\nwalk1d.bmp\r\nwalk1c.bmp\r\n-50,40\r\nwalk2d.bmp\r\nwalk2c.bmp\r\n");
    EXPECT_EQ(ReadBMP(dir.file("walk1c.bmp")).pixels, std::vector<Colour>(6, P[5]));
    ExpectEmptyBmp(dir.file("walk2c.bmp"), c.width, c.height);
    ExpectEmptyBmp(dir.file("walk2d.bmp"), c.width, c.height);
  }
}

} // namespace
} // namespace tessary
