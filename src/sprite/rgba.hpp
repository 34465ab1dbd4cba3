#pragma once

#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/slp_records.hpp"
#include "surface/dib_section.hpp"
#include "surface/rgba_image.hpp"

#include <cstdint>

namespace tessary {

// The decoded frame (image and layer map of equal size) as RGBA: colour and player pixels
// opaque in the image's colour, shadow pixels black at alpha 128, and transparent pixels,
// outlines and pixels no command drew (0, 0, 0, 0).
RgbaImage RgbaOfFrame(const cDIBSection &image, const cDIBSection &layerMap);

// Decodes frame frameNumber (1-based) and converts it as RgbaOfFrame does. The options choose
// the player whose colours the player pixels take; a frame without pixels gives an empty image.
// Throws Error for a frame the sprite cannot decode.
RgbaImage RenderFrameRgba(const SLPFile &sprite, std::int32_t frameNumber,
                          const PaletteTable &palette, const DisplayOptions &options);
// The same through the caller's two surfaces, which keep their storage from frame to frame.
RgbaImage RenderFrameRgba(const SLPFile &sprite, std::int32_t frameNumber,
                          const PaletteTable &palette, const DisplayOptions &options,
                          cDIBSection &image, cDIBSection &layerMap);

} // namespace tessary
