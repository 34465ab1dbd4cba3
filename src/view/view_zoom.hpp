#pragma once

#include <cstdint>

// How much the image view enlarges the frame it shows, free of any toolkit: the window feeds it
// the zoom keys and the wheel and sizes the view by what it says.
namespace tessary::view {

class ViewZoom {
public:
  static constexpr int kSmallest = 1; // the frame's own size
  static constexpr int kLargest = 8;
  // What one notch of a mouse wheel reports, in eighths of a degree.
  static constexpr int kWheelNotch = 120;

  int factor() const { return factor_; }

  // Each returns whether the factor changed; at either end it stays where it is.
  bool zoomIn() { return setFactor(factor_ + 1); }
  bool zoomOut() { return setFactor(factor_ - 1); }
  bool reset();
  // A turn of the wheel, forward to enlarge. Wheels that report finer steps than a notch add up
  // until they make whole ones.
  bool wheel(int angleDelta);

private:
  bool setFactor(int factor);

  int factor_ = kSmallest;
  int wheelRest_ = 0;
};

// A frame side in screen pixels at a zoom factor; a side of no pixels (or fewer) gives 0.
int ZoomedExtent(std::int32_t pixels, int factor);

} // namespace tessary::view
