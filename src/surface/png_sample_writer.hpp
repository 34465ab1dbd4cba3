#pragma once

#include "palette/palette.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace tessary {

// PNG files of one 8-bit sample per pixel, top row first, for pictures meant to be edited and
// read back exactly: non-interlaced, and the samples stored as they are given.

// An 8-bit palette PNG (colour type 3) whose PLTE holds the 256 colours of `palette` in
// palette order, so the file's indexes are the given ones and a paint program keeps them.
std::vector<std::uint8_t> EncodeIndexedPNG(std::int32_t width, std::int32_t height,
                                           std::span<const std::uint8_t> indexes,
                                           const PaletteTable &palette);

// An 8-bit grey PNG (colour type 0).
std::vector<std::uint8_t> EncodeGreyPNG(std::int32_t width, std::int32_t height,
                                        std::span<const std::uint8_t> values);

// Both throw Error(ErrorKind::OutOfMemory, ...) when the encoder cannot get its memory and
// Error(ErrorKind::Save, ...) when it fails otherwise (a side of 0 or less included).

} // namespace tessary
