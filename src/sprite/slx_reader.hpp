#pragma once

#include "sprite/slp_encoder.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// One frame's group of an SLX index: its hotspot and the file names (no folder) of its layer
// map ("d" bitmap) and image ("c" bitmap).
struct SLXFrameEntry {
  std::int32_t hotspotX = 0;
  std::int32_t hotspotY = 0;
  std::string layerName;
  std::string imageName;
};

// Parses the text of an SLX index: "SLX 0.5", the frame count, then per frame "hx,hy", the
// layer-map name and the image name; lines end in CR LF or LF. Throws Error(ErrorKind::SLXRead,
// name, detail naming the line) for anything else, including a bitmap name with a folder in it.
// `name` is used in messages only.
std::vector<SLXFrameEntry> ParseSLX(std::string_view text, const std::string &name);

// Reads and parses the SLX index at path (not its bitmaps). Throws as ParseSLX, and
// Error(ErrorKind::SLXRead, ...) for a file that cannot be read.
std::vector<SLXFrameEntry> ReadSLXIndex(const std::string &path);

// Reads an SLX index and every frame's two bitmaps from the SLX's folder, ready to encode.
// Throws Error(ErrorKind::SLXRead, ...) for a bad index or bitmaps of unequal size and
// Error(ErrorKind::BitmapRead, ...) for a bitmap that cannot be read.
std::vector<EncoderFrame> ReadSLX(const std::string &path);

} // namespace tessary
