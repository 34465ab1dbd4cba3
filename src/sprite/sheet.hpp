#pragma once

#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/slp_records.hpp"
#include "surface/rgba_image.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// The widest sheet written: wider pictures are more than many readers take.
constexpr std::int64_t kMaxSheetWidth = 65535;

// Where one frame sits on a sheet, and its hotspot within the frame.
struct SheetRect {
  std::int32_t x = 0, y = 0, w = 0, h = 0;
  std::int32_t hotspotX = 0, hotspotY = 0;
};

// Every frame in one picture, left to right in frame order, top-aligned, each at its own size,
// with no gap; a frame without pixels takes no room (w and h 0).
struct Sheet {
  RgbaImage picture;
  std::vector<SheetRect> frames;
};

// Lays out and draws the sheet, each frame's pixels as RenderFrameRgba gives them. Throws
// Error(ErrorKind::Save, ...) for a sheet wider than kMaxSheetWidth or larger than can be
// held, before any frame is decoded, and Error for a frame that cannot be decoded.
Sheet BuildSheet(const SLPFile &sprite, const PaletteTable &palette, const DisplayOptions &options);

// {"frames": [{"x":.., "y":.., "w":.., "h":.., "hotspot_x":.., "hotspot_y":..}, ...],
//  "player": P}, P counted from 1.
std::string SheetJson(const Sheet &sheet, std::int32_t player);

// The JSON file beside a sheet: the picture's name without its extension, then ".json".
std::string SheetJsonName(const std::string &pictureName);

// Writes the sheet as an RGBA PNG file and its JSON beside it (SheetJsonName), both or neither.
void ExportSheet(const SLPFile &sprite, const std::string &pictureName, const PaletteTable &palette,
                 const DisplayOptions &options);

} // namespace tessary
