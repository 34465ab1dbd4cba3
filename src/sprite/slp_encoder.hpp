#pragma once

#include "common/colour.hpp"
#include "common/error.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_writer.hpp"
#include "sprite/sprite_planes.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

class cDIBSection;

// One frame to encode: its hotspot and two pixel arrays of width * height colours, top row
// first, as the decoder leaves its two surfaces: `image` holds what each pixel looks like,
// `layer` the layer code of each pixel (key magenta, map white, map green, shadow red, map blue,
// map yellow). A pixel black (0x000000) in both arrays is one no command reached; it may only
// stand in the tail of a row.
struct EncoderFrame {
  std::int32_t hotspotX = 0;
  std::int32_t hotspotY = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<Colour> image;
  std::vector<Colour> layer;
};

// Reads a frame's two surfaces (which must have equal size) into an EncoderFrame.
EncoderFrame FrameFromSurfaces(const cDIBSection &image, const cDIBSection &layer,
                               std::int32_t hotspotX, std::int32_t hotspotY);

// Builds a complete SLP sprite whose frames decode through `palette` back into exactly the
// given image and layer arrays. Image colours map back to the first palette entry of that
// colour; player colours to the first of entries 16..255. Throws Error(ErrorKind::Encode,
// "frame N", detail naming the frame, x and y) for a pixel the format cannot express, and
// Error(ErrorKind::Encode, ...) for an empty frame list, a frame whose arrays do not match its
// size, a frame over 8192 rows or 32767 columns, or a sprite too large for 32-bit offsets.
std::vector<std::uint8_t> EncodeSLP(const std::vector<EncoderFrame> &frames,
                                    const PaletteTable &palette);

// Builds the sprite whose frames decode to exactly the given planes of layers and indexes, with
// the given header text and each frame's record values (a frame without pixels keeps its width
// and height as they are). Throws Error(ErrorKind::Encode, "frame N", detail naming the frame,
// x and y) for a layer above 6, a not-drawn pixel that drawn ones follow in its row, or an
// index other than 0 in a pixel that is neither colour nor player colour; and
// Error(ErrorKind::Encode, ...) as EncodeSLP does for the frame count, a frame's size or
// planes that do not match it, and a sprite too large.
std::vector<std::uint8_t> EncodeSpritePlanes(const SpritePlanes &sprite);

} // namespace tessary
