#pragma once

#include "palette/palette.hpp"
#include "sprite/slp_records.hpp"
#include "sprite/sprite_planes.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// The editable form of a sprite: a folder holding sprite.json and, per frame n with pixels,
// NNN.png (the palette indexes, as an 8-bit palette PNG whose PLTE is the palette in force)
// and NNN.layers.png (the layer of each pixel, as an 8-bit grey PNG).

constexpr char kUnpackIndexName[] = "sprite.json";

// The two pictures of frame n (1-based): PadNumber(n) + ".png" and PadNumber(n) + ".layers.png".
struct UnpackPictureNames {
  std::string picture;
  std::string layers;
};
UnpackPictureNames UnpackPictureNamesOf(std::int32_t n);

// Decodes every frame into its planes: each pixel's layer and the index it holds, exactly what
// the decoder draws. Throws Error for a frame the sprite cannot decode.
SpritePlanes UnpackSprite(const SLPFile &sprite);

// The text of sprite.json for the planes (pictures named by UnpackPictureNamesOf; a frame
// without pixels has null pictures). The version and comment bytes are written as text, one
// character per byte (bytes from 0x80 up as the characters U+0080 ... U+00FF), without the
// zero bytes that pad them.
std::string UnpackIndexText(const SpritePlanes &planes);

// Every file the unpack of a sprite of these frames writes into folder (which is given with or
// without a trailing separator), sprite.json first.
std::vector<std::string> UnpackFileNames(const std::string &folder,
                                         const std::vector<SLPFrameInfo> &frames);

// Writes the whole folder's files, all of them or none: the pictures get the palette's
// colours. Throws Error for a frame the sprite cannot decode or a file that cannot be written.
void ExportUnpacked(const SLPFile &sprite, const std::string &folder, const PaletteTable &palette);

} // namespace tessary
