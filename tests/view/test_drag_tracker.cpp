// Dragging the image view with the mouse: when a move is acted on and where the view goes.
#include "view/drag_tracker.hpp"

#include <gtest/gtest.h>

namespace tessary::view {
namespace {

constexpr double kTwips = 15.0; // twips per pixel at 96 dots per inch

TEST(DragTracker, MovesOnlyWhileAButtonIsDown) {
  DragTracker drag;
  const TwipsPosition at{2160, 1320};
  EXPECT_EQ(drag.dragState(), DragTracker::kIdle);
  EXPECT_FALSE(drag.pointerMove(50, 50, at, kTwips, kTwips));
  EXPECT_EQ(drag.dragState(), DragTracker::kIdle);

  drag.buttonDown(10, 10);
  EXPECT_EQ(drag.dragState(), DragTracker::kArmed);
  EXPECT_TRUE(drag.pointerMove(20, 10, at, kTwips, kTwips).has_value());
  drag.buttonUp();
  EXPECT_EQ(drag.dragState(), DragTracker::kIdle);
  EXPECT_FALSE(drag.pointerMove(30, 30, at, kTwips, kTwips));
  EXPECT_FALSE(drag.pointerMove(40, 40, at, kTwips, kTwips));
}

TEST(DragTracker, RoundsTheGrabbedPointTiesToEven) {
  struct Case {
    double x, y;
    int startX, startY;
  };
  const Case cases[] = {{10.5, 11.5, 10, 12}, {-0.5, 2.5, 0, 2}, {3.4, 3.6, 3, 4}, {7, -3, 7, -3}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    DragTracker drag;
    drag.buttonDown(c.x, c.y);
    EXPECT_EQ(drag.dragStartX(), c.startX);
    EXPECT_EQ(drag.dragStartY(), c.startY);
  }
}

TEST(DragTracker, EveryActedMoveIsFollowedByOneIgnoredMove) {
  DragTracker drag;
  drag.buttonDown(10, 10);
  TwipsPosition at{2160, 1320};
  const auto first = drag.pointerMove(14, 13, at, kTwips, kTwips);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(*first, (TwipsPosition{2220, 1365}));
  EXPECT_EQ(drag.dragState(), DragTracker::kJustMoved);
  at = *first;
  EXPECT_FALSE(drag.pointerMove(99, 99, at, kTwips, kTwips)); // ignored whatever its position
  EXPECT_EQ(drag.dragState(), DragTracker::kArmed);
  const auto third = drag.pointerMove(12, 8, at, kTwips, kTwips);
  ASSERT_TRUE(third.has_value());
  EXPECT_EQ(*third, (TwipsPosition{2250, 1335}));
}

TEST(DragTracker, NewEdges) {
  struct Case {
    const char *name;
    double pointer;
    int start;
    double twipsPerPixel;
    int current;
    int edge;
  };
  const Case cases[] = {
      {"follows the pointer", 25.0, 10, 15.0, 2160, 2385},
      {"stops at the left or top edge", 0.0, 10, 15.0, 30, 0},
      {"far past the edge", -3000.0, 10, 15.0, 30, 0},
      {"half twip to even, down", 10.7, 10, 15.0, 2160, 2170},
      {"half twip to even, up", 11.5, 10, 15.0, 2160, 2182},
      {"other twips per pixel", 20.0, 10, 12.0, 100, 220},
      {"no limit to the right", 1000.0, 0, 15.0, 2160, 17160},
      {"held to 16 bits, no wrap", 100.0, 0, 15.0, 32700, 32767},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(
        int(DraggedEdge(c.pointer, c.start, c.twipsPerPixel, static_cast<std::int16_t>(c.current))),
        c.edge);
  }
}

TEST(DragTracker, AxesUseTheirOwnTwipsPerPixel) {
  DragTracker drag;
  drag.buttonDown(0, 0);
  const auto moved = drag.pointerMove(10, 10, {1000, 1000}, 12.0, 20.0);
  ASSERT_TRUE(moved.has_value());
  EXPECT_EQ(*moved, (TwipsPosition{1120, 1200}));
}

TEST(DragTracker, TheGrabbedPointCatchesUpWithThePointer) {
  // The pointer moves in window pixels; the view reports it relative to its own corner.
  DragTracker drag;
  TwipsPosition view{2160, 1320};
  const auto viewX = [&] { return view.left / 15; };
  const auto viewY = [&] { return view.top / 15; };
  const int grabbedX = 20, grabbedY = 30;
  int pointerX = viewX() + grabbedX, pointerY = viewY() + grabbedY;
  drag.buttonDown(grabbedX, grabbedY);
  for (int step = 0; step < 12; ++step) {
    pointerX += 7;
    pointerY += step % 2 ? -5 : 3;
    if (auto moved =
            drag.pointerMove(pointerX - viewX(), pointerY - viewY(), view, kTwips, kTwips)) {
      view = *moved;
      EXPECT_EQ(viewX() + grabbedX, pointerX) << step;
      EXPECT_EQ(viewY() + grabbedY, pointerY) << step;
    }
  }
  EXPECT_GT(view.left, 2160);
}

} // namespace
} // namespace tessary::view
