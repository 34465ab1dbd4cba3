#pragma once

#include "sprite/slp_records.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// The layer of a pixel, numbered as the editable form of a sprite stores it.
enum class PixelLayer : std::uint8_t {
  Transparent = 0,
  PaletteColour = 1,
  Player = 2,
  Shadow = 3,
  InnerOutline = 4,
  OuterOutline = 5,
  NotDrawn = 6, // what a row leaves untouched after its last command: only at a row's end
};
constexpr std::uint8_t kPixelLayerCount = 7;

// Player pixels are kept as the palette entry player 1 shows, (stored + 16) & 255, so a paint
// program shows them in a player's colours.
constexpr std::uint8_t kPlayerEntryShift = 16;
constexpr std::uint8_t PlayerEntryOf(std::uint8_t stored) {
  return static_cast<std::uint8_t>(stored + kPlayerEntryShift);
}
constexpr std::uint8_t StoredPlayerIndexOf(std::uint8_t entry) {
  return static_cast<std::uint8_t>(entry - kPlayerEntryShift);
}

// One frame as two planes of width * height samples, top row first: the layer of each pixel,
// and its palette index (a colour pixel's stored index, a player pixel's PlayerEntryOf, 0 for
// every other layer). A frame whose width or height is 0 or less has empty planes.
struct FramePlanes {
  // width, height, hotspots, palette offset and properties; the table offsets are the
  // sprite file's own layout and are not kept.
  SLPFrameInfo record;
  std::vector<std::uint8_t> layers;
  std::vector<std::uint8_t> indexes;

  bool hasPixels() const { return record.width > 0 && record.height > 0; }
};

// A whole sprite in that form, with the header bytes the viewer does not use.
struct SpritePlanes {
  std::array<char, 4> version{};
  std::array<char, 24> comment{};
  std::vector<FramePlanes> frames;
};

} // namespace tessary
