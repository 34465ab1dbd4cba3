#include "sprite/pixel_fill.hpp"

#include <gtest/gtest.h>
#include <vector>

namespace tessary {
namespace {

TEST(PixelFill, FillsExactlyNPixelsOfAnyCountAndColour) {
  for (const Colour colour : {0x000000u, 0xFF00FFu, 0x123456u, 0xFEDCBAu}) {
    for (std::int64_t n = 0; n <= 27; ++n) {
      SCOPED_TRACE(n);
      std::vector<std::uint8_t> bytes(3 * 30, 0xEE);
      FillPixels(bytes.data() + 3, n, colour);
      for (std::int64_t x = 0; x < 30; ++x) {
        const bool inside = x >= 1 && x <= n;
        EXPECT_EQ(LoadPixel(bytes.data() + 3 * x), inside ? colour : 0xEEEEEEu) << x;
      }
    }
  }
}

TEST(PixelFill, GroupHoldsEightPixelsOfItsColour) {
  const PixelGroup group = GroupOf(0xA1B2C3);
  std::uint8_t bytes[kGroupBytes];
  StoreGroup(bytes, group);
  for (int k = 0; k < kGroupPixels; ++k)
    EXPECT_EQ(LoadPixel(bytes + 3 * k), 0xA1B2C3u) << k;
  EXPECT_EQ(LoadGroup(bytes), group);
  EXPECT_FALSE(GroupOf(0xA1B2C4) == group);
}

} // namespace
} // namespace tessary
