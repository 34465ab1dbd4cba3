#pragma once

#include <cstdint>

// Window geometry is kept in twips (1/1440 inch) as the layout tables give it; these helpers do
// the arithmetic the window needs on them, free of any toolkit.
namespace tessary::view {

struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  bool operator==(const TwipsRect &) const = default;
};

// Rounds to the nearest whole number, ties to even, held to the signed 16-bit range the layout
// arithmetic works in (a client area beyond 32767 twips saturates rather than wrapping).
std::int16_t RoundTwips(double twips);

// Twips to pixels and back for one axis, given that axis's twips per pixel.
int TwipsToPixels(double twips, double twipsPerPixel);
double PixelsToTwips(double pixels, double twipsPerPixel);

// The extent of a control that follows the window's edge: client extent minus the control's
// start minus a 75-twip margin, rounded, but never below 1000 twips.
std::int16_t FollowingExtent(double clientExtent, int controlStart);

constexpr int kEdgeMargin = 75;
constexpr int kSmallestFollowingExtent = 1000;

} // namespace tessary::view
