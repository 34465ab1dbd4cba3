// The twips arithmetic of the window's layout.
#include "view/form_layout.hpp"

#include <gtest/gtest.h>

namespace tessary::view {
namespace {

TEST(FormLayout, FollowingExtent) {
  struct Case {
    const char *name;
    double client;
    int start;
    int extent;
  };
  const Case cases[] = {
      {"list at the start size", 5400.0, 720, 4605},
      {"text width at the start size", 8145.0, 2040, 6030},
      {"small height held at 1000", 1500.0, 720, 1000},
      {"small width held at 1000", 3000.0, 2040, 1000},
      {"height 2000", 2000.0, 720, 1205},
      {"exactly 1000", 1795.0, 720, 1000},
      {"tie rounds to even (down)", 1796.5, 720, 1002},
      {"tie rounds to even (up)", 1797.5, 720, 1002},
      {"huge client saturates", 100000.0, 720, 32767},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(int(FollowingExtent(c.client, c.start)), c.extent);
  }
}

TEST(FormLayout, RoundTwipsTiesToEvenAndSaturates) {
  EXPECT_EQ(int(RoundTwips(0.5)), 0);
  EXPECT_EQ(int(RoundTwips(1.5)), 2);
  EXPECT_EQ(int(RoundTwips(-2.5)), -2);
  EXPECT_EQ(int(RoundTwips(40000)), 32767);
  EXPECT_EQ(int(RoundTwips(-40000)), -32768);
  EXPECT_EQ(TwipsToPixels(8145, 15.0), 543);
  EXPECT_EQ(TwipsToPixels(5400, 15.0), 360);
}

} // namespace
} // namespace tessary::view
