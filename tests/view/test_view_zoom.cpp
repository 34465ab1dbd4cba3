// The image view's zoom: whole factors from 1 to 8, by keys and by the wheel.
#include "view/view_zoom.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace tessary::view {
namespace {

TEST(ViewZoom, StepsThroughWholeFactorsAndStopsAtBothEnds) {
  ViewZoom zoom;
  EXPECT_EQ(zoom.factor(), 1);
  EXPECT_FALSE(zoom.zoomOut()); // already at the frame's own size
  EXPECT_EQ(zoom.factor(), 1);
  for (int expected = 2; expected <= 8; ++expected) {
    EXPECT_TRUE(zoom.zoomIn());
    EXPECT_EQ(zoom.factor(), expected);
  }
  EXPECT_FALSE(zoom.zoomIn());
  EXPECT_EQ(zoom.factor(), 8);
  EXPECT_TRUE(zoom.zoomOut());
  EXPECT_EQ(zoom.factor(), 7);
  EXPECT_TRUE(zoom.reset());
  EXPECT_EQ(zoom.factor(), 1);
  EXPECT_FALSE(zoom.reset());
}

TEST(ViewZoom, WheelTurnsMakeWholeNotches) {
  struct Case {
    std::string name;
    std::vector<int> deltas;
    int factor;      // after all the turns
    bool lastChange; // whether the last turn changed the factor
  };
  const Case cases[] = {
      {"one notch forward", {120}, 2, true},
      {"one notch back at the start", {-120}, 1, false},
      {"three notches at once", {360}, 4, true},
      {"half notches add up", {60, 60}, 2, true},
      {"a half notch alone does nothing", {60}, 1, false},
      {"fine steps of a touchpad", {15, 15, 15, 15, 15, 15, 15, 15}, 2, true},
      {"turning back uses up the rest first", {60, -120}, 1, false},
      {"forward then back", {240, -120}, 2, true},
      {"far past the largest", {120 * 20}, 8, true},
      {"far past the largest, then one back", {120 * 20, -120}, 7, true},
      {"far past the smallest", {240, -120 * 20}, 1, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ViewZoom zoom;
    bool changed = false;
    for (const int delta : c.deltas)
      changed = zoom.wheel(delta);
    EXPECT_EQ(zoom.factor(), c.factor);
    EXPECT_EQ(changed, c.lastChange);
  }
}

TEST(ViewZoom, ResetForgetsAHalfTurn) {
  ViewZoom zoom;
  zoom.wheel(180); // 2x and half a notch
  EXPECT_EQ(zoom.factor(), 2);
  zoom.reset();
  EXPECT_FALSE(zoom.wheel(60)); // the old half does not complete this one
  EXPECT_EQ(zoom.factor(), 1);
}

TEST(ViewZoom, ZoomedExtent) {
  struct Case {
    std::int32_t pixels;
    int factor;
    int expected;
  };
  const Case cases[] = {
      {30, 1, 30},
      {30, 4, 120},
      {46, 8, 368},
      {0, 5, 0},
      {-3, 2, 0},
      {7, 0, 7},
      {7, 9, 56}, // factors held to 1 ... 8
      {32767, 8, 262136},
      {std::numeric_limits<std::int32_t>::max(), 8, std::numeric_limits<int>::max()}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.pixels << " x " << c.factor);
    EXPECT_EQ(ZoomedExtent(c.pixels, c.factor), c.expected);
  }
}

} // namespace
} // namespace tessary::view
