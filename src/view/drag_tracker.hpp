#pragma once

#include <cstdint>
#include <optional>

// Dragging the image view about the window with the mouse, free of any toolkit: the window
// feeds it the view's button and move events (pointer positions in pixels inside the view) and
// moves the view where it says.
namespace tessary::view {

// A control's position inside the window, in twips.
struct TwipsPosition {
  std::int16_t left = 0;
  std::int16_t top = 0;

  bool operator==(const TwipsPosition &) const = default;
};

class DragTracker {
public:
  // dragState values.
  static constexpr std::int16_t kIdle = 0;
  static constexpr std::int16_t kArmed = 1;     // the next move is acted on
  static constexpr std::int16_t kJustMoved = 2; // the view has just moved; the next move is not

  // Any button starts a drag from the grabbed point (rounded, ties to even).
  void buttonDown(double x, double y);

  // Where the view must go for a move to (x, y), or nothing when this move is not acted on:
  // no drag, or the report that follows every move acted on. The grabbed point comes back under
  // the pointer; the left and top edges stop at 0. twipsPerPixelX/Y convert pointer pixels to
  // the twips the position is kept in.
  std::optional<TwipsPosition> pointerMove(double x, double y, TwipsPosition current,
                                           double twipsPerPixelX, double twipsPerPixelY);

  // Any button released ends the drag.
  void buttonUp() { dragState_ = kIdle; }

  std::int16_t dragState() const { return dragState_; }
  std::int32_t dragStartX() const { return dragStartX_; }
  std::int32_t dragStartY() const { return dragStartY_; }

private:
  std::int16_t dragState_ = kIdle;
  std::int32_t dragStartX_ = 0;
  std::int32_t dragStartY_ = 0;
};

// One axis of a move: round((pointer - start) * twipsPerPixel + current) to 16 bits, then no
// less than 0.
std::int16_t DraggedEdge(double pointer, std::int32_t start, double twipsPerPixel,
                         std::int16_t current);

} // namespace tessary::view
