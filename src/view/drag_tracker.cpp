#include "view/drag_tracker.hpp"

#include "common/paths.hpp"
#include "view/form_layout.hpp"

#include <cmath>

namespace tessary::view {

namespace {

// Ties to even (the default rounding mode), held to the 32-bit range.
std::int32_t RoundPixel(double value) {
  if (std::isnan(value))
    return 0;
  const double rounded = std::nearbyint(value);
  if (rounded >= 2147483647.0)
    return 2147483647;
  if (rounded <= -2147483648.0)
    return -2147483647 - 1;
  return static_cast<std::int32_t>(rounded);
}

} // namespace

std::int16_t DraggedEdge(double pointer, std::int32_t start, double twipsPerPixel,
                         std::int16_t current) {
  return IntMax(RoundTwips((pointer - start) * twipsPerPixel + current), 0);
}

void DragTracker::buttonDown(double x, double y) {
  dragStartX_ = RoundPixel(x);
  dragStartY_ = RoundPixel(y);
  dragState_ = kArmed;
}

std::optional<TwipsPosition> DragTracker::pointerMove(double x, double y, TwipsPosition current,
                                                      double twipsPerPixelX,
                                                      double twipsPerPixelY) {
  if (dragState_ <= kIdle)
    return std::nullopt;
  if (dragState_ == kJustMoved) {
    dragState_ = kArmed;
    return std::nullopt;
  }
  dragState_ = kJustMoved;
  return TwipsPosition{DraggedEdge(x, dragStartX_, twipsPerPixelX, current.left),
                       DraggedEdge(y, dragStartY_, twipsPerPixelY, current.top)};
}

} // namespace tessary::view
