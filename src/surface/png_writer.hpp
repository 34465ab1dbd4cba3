#pragma once

#include "surface/rgba_image.hpp"

#include <cstdint>
#include <vector>

namespace tessary {

// The picture as a non-interlaced 8-bit RGBA PNG file. A picture without pixels becomes one
// transparent pixel, since a PNG cannot be empty. Throws Error(ErrorKind::OutOfMemory, ...) when
// the encoder cannot get its memory and Error(ErrorKind::Save, ...) when it fails otherwise.
std::vector<std::uint8_t> EncodePNG(const RgbaImage &image);

} // namespace tessary
