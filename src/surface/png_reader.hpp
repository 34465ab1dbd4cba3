#pragma once

#include "common/error.hpp"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tessary {

// What a PNG file's header says of its pixels.
struct PngShape {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int colourType = 0; // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
  int bitDepth = 0;
  // "an 8-bit palette PNG", "a 16-bit grey PNG", ...: how messages name the file's kind.
  std::string describe() const;
};

constexpr int kPngGrey = 0;
constexpr int kPngPalette = 3;

// A picture of one 8-bit sample per pixel, top row first, exactly as the file stores them: the
// palette indexes of a palette PNG, the values of a grey PNG.
struct PngSamples {
  PngShape shape;
  std::vector<std::uint8_t> samples; // width * height
};

// Called with the header before any pixel is read or any room is made for the pixels; throws
// to refuse the file.
using PngShapeCheck = std::function<void(const PngShape &)>;

// Reads an 8-bit palette or grey PNG from memory, interlaced or not, with no conversion of its
// samples. `check` sees the header first. Throws Error(kind, name, detail naming the file) for
// bytes that are no PNG, a damaged or truncated file, a picture over 32767 pixels on a side,
// and any other kind of PNG than 8-bit palette or grey.
PngSamples ReadOneSamplePNG(std::span<const std::uint8_t> bytes, const std::string &name,
                            ErrorKind kind, const PngShapeCheck &check = {});

} // namespace tessary
