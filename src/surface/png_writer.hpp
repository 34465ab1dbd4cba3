#pragma once

#include "surface/rgba_image.hpp"

#include <cstdint>
#include <vector>

namespace tessary {

// How a picture is stored in its PNG file. Every choice gives a valid, lossless, non-interlaced
// file that decodes to the same 8-bit RGBA pixels; they differ in size and in encoding time.
struct PngEncoding {
  // Row filters the encoder may pick from.
  enum class Filter { None, Sub, Up, Paeth, Adaptive };
  // How deflate looks for repeats: anywhere in its window, or only runs of one byte.
  enum class Matching { Anywhere, RunsOnly };
  // Store a picture of at most 256 distinct RGBA values as palette indexes, with a transparency
  // chunk for the values that are not opaque (a quarter of RGBA's bytes); otherwise RGBA.
  bool palette = true;
  // Measured on sprite frames (mostly transparent margins, long runs, copies of varied indexes):
  // unfiltered indexes with deflate looking for runs only came out both smallest and fastest of
  // the palette encodings; filters made the files larger. RGBA (frames of more than 256
  // values) is smallest and fastest unfiltered with a full search at level 1.
  Filter paletteFilter = Filter::None;
  Filter rgbaFilter = Filter::None;
  int level = 1; // the deflate level, 0 (stored) to 9
  Matching paletteMatching = Matching::RunsOnly;
  Matching rgbaMatching = Matching::Anywhere;
};

// The picture as a PNG file, stored as encoding says. A picture without pixels becomes one
// transparent pixel, since a PNG cannot be empty. Throws Error(ErrorKind::OutOfMemory, ...) when
// the encoder cannot get its memory and Error(ErrorKind::Save, ...) when it fails otherwise.
std::vector<std::uint8_t> EncodePNG(const RgbaImage &image, const PngEncoding &encoding = {});

// The same into `out` (replacing its content), so that a caller encoding many pictures reuses
// one buffer.
void EncodePNGInto(const RgbaImage &image, std::vector<std::uint8_t> &out,
                   const PngEncoding &encoding = {});

} // namespace tessary
