#include "view/view_zoom.hpp"

#include <algorithm>
#include <limits>

namespace tessary::view {

bool ViewZoom::setFactor(int factor) {
  const int held = std::clamp(factor, kSmallest, kLargest);
  const bool changed = held != factor_;
  factor_ = held;
  return changed;
}

bool ViewZoom::reset() {
  wheelRest_ = 0;
  return setFactor(kSmallest);
}

bool ViewZoom::wheel(int angleDelta) {
  // Turning back first uses up what was left of the other way, as the wheel's own clicks would.
  const long long total = static_cast<long long>(wheelRest_) + angleDelta;
  const long long notches = total / kWheelNotch;
  wheelRest_ = static_cast<int>(total % kWheelNotch);
  if (notches == 0)
    return false;
  const long long wanted = std::clamp<long long>(factor_ + notches, kSmallest, kLargest);
  return setFactor(static_cast<int>(wanted));
}

int ZoomedExtent(std::int32_t pixels, int factor) {
  if (pixels <= 0)
    return 0;
  const long long zoomed =
      static_cast<long long>(pixels) * std::clamp(factor, ViewZoom::kSmallest, ViewZoom::kLargest);
  return static_cast<int>(std::min<long long>(zoomed, std::numeric_limits<int>::max()));
}

} // namespace tessary::view
