#pragma once

#include "palette/palette.hpp"
#include "sprite/display_options.hpp"

#include <cstdint>
#include <functional>
#include <string>

namespace tessary {

constexpr char kExportSaveErrorText[] = "Error saving file!";

// Called before each frame of an export with the frame number (1-based) and the frame count.
using ExportProgress = std::function<void(std::int32_t frame, std::int32_t frameCount)>;

// Writes every frame on one hotspot-aligned canvas as baseName + PadNumber(n) + ".bmp".
// Transparent and outline pixels take options.maskColour; nothing else is recoloured.
// Throws Error on an unreadable sprite, a canvas too large to hold (more than 32767 pixels on a
// side or kMaxSurfaceBytes of storage) or a failed write. The files appear only once every
// frame has been written: a failed export leaves none of them behind.
void ExportImageSequence(const std::string &spritePath, const std::string &baseName,
                         const PaletteTable &palette, const DisplayOptions &options,
                         const ExportProgress &progress = {});

// Writes baseName + ".slx" (CR LF lines) and per frame baseName + n + "c.bmp" (image) and
// baseName + n + "d.bmp" (layer map). Throws Error on an unreadable sprite or a failed write;
// as with the image sequence, the files appear all together or not at all.
void ExportSLX(const std::string &spritePath, const std::string &baseName,
               const PaletteTable &palette, const ExportProgress &progress = {});

} // namespace tessary
