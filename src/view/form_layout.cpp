#include "view/form_layout.hpp"

#include "common/paths.hpp"

#include <cmath>

namespace tessary::view {

std::int16_t RoundTwips(double twips) {
  if (std::isnan(twips))
    return 0;
  const double rounded = std::nearbyint(twips); // the default rounding mode: ties to even
  if (rounded >= 32767.0)
    return 32767;
  if (rounded <= -32768.0)
    return -32768;
  return static_cast<std::int16_t>(rounded);
}

int TwipsToPixels(double twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

double PixelsToTwips(double pixels, double twipsPerPixel) { return pixels * twipsPerPixel; }

std::int16_t FollowingExtent(double clientExtent, int controlStart) {
  return IntMax(RoundTwips(clientExtent - controlStart - kEdgeMargin),
                static_cast<std::int16_t>(kSmallestFollowingExtent));
}

} // namespace tessary::view
