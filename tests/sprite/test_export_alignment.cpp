// Where the image sequence puts each frame on its shared canvas, with hotspots that differ
// between the two axes so that a column taken for a row shows.
#include "sprite/exports.hpp"
#include "sprite/slp_builder.hpp"
#include "support/test_support.hpp"
#include "surface/bmp_reader.hpp"

#include <gtest/gtest.h>

namespace tessary {
namespace {

using test::UniformFrame;

struct Placement {
  const char *file;
  std::uint8_t index;     // the frame's one palette index
  std::int32_t left, top; // where the frame lands on the canvas
  std::int32_t width, height;
};

TEST(ExportAlignment, FramesLandWhereTheirHotspotsMeet) {
  // Frame extents around the hotspot: columns -7..2 by rows -2..3, columns 0..2 by rows -4..0,
  // and column 2 by row 3 (a hotspot outside its one-pixel frame). The union is columns -7..2
  // by rows -4..3: a canvas of 10 x 8.
  test::TempDir dir;
  test::WriteFile(dir.file("s.slp"), test::BuildSLP({UniformFrame(10, 6, {0xA7, 1, 0x0F}, 7, 2),
                                                     UniformFrame(3, 5, {0x37, 2, 0x0F}, 0, 4),
                                                     UniformFrame(1, 1, {0x17, 3, 0x0F}, -2, -3)})
                                         .bytes);
  DisplayOptions options;
  options.maskColour = 0x0A0B0C;
  const PaletteTable palette = test::TestPalette();
  ExportImageSequence(dir.file("s.slp"), dir.file("run"), palette, options);

  const Placement placements[] = {
      {"run001.bmp", 1, 0, 2, 10, 6},
      {"run002.bmp", 2, 7, 0, 3, 5},
      {"run003.bmp", 3, 9, 7, 1, 1},
  };
  for (const Placement &p : placements) {
    SCOPED_TRACE(p.file);
    const BmpImage picture = ReadBMP(dir.file(p.file));
    ASSERT_EQ(picture.width, 10);
    ASSERT_EQ(picture.height, 8);
    for (std::int32_t y = 0; y < 8; ++y)
      for (std::int32_t x = 0; x < 10; ++x) {
        const bool inside =
            x >= p.left && x < p.left + p.width && y >= p.top && y < p.top + p.height;
        EXPECT_EQ(picture.at(x, y), inside ? palette[p.index] : options.maskColour)
            << x << "," << y;
      }
  }
}

} // namespace
} // namespace tessary
