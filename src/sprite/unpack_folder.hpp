#pragma once

#include "sprite/sprite_planes.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// Reading an unpack folder (see sprite/unpack.hpp) back into the planes of a sprite.

// What sprite.json says, before any picture is read: the header text, each frame's record
// values, and the names of its two pictures (empty for a frame without pixels).
struct UnpackIndex {
  SpritePlanes planes; // frames with their records and empty planes
  struct Pictures {
    std::string picture;
    std::string layers;
  };
  std::vector<Pictures> pictures; // one per frame
};

// Parses the text of sprite.json. `name` stands for the file in messages. Throws
// Error(ErrorKind::Encode, name, detail naming the frame and key) for text that is no JSON
// object with the keys the folder needs, a frame count that is not the number of frames, a
// value out of its range, a version or comment that does not fit its header field, and a
// picture name that is missing (for a frame with pixels), present (for a frame without), or
// not a plain file name in the folder.
UnpackIndex ParseUnpackIndex(std::string_view text, const std::string &name);

// The bytes of a picture the index names (a plain file name). Throws Error for one that
// cannot be read.
using PictureBytes = std::function<std::vector<std::uint8_t>(const std::string &name)>;

// Reads the pictures of every frame with pixels into its planes. A picture must have the size
// of its frame; NNN.png must be an 8-bit palette PNG, NNN.layers.png an 8-bit grey PNG: the
// others are refused with Error(ErrorKind::BitmapRead, the picture, detail naming the frame and
// the file). The planes are not judged here: EncodeSpritePlanes refuses the pixels that do not
// hold together, naming the frame and the pixel.
SpritePlanes ReadUnpackPictures(const UnpackIndex &index, const PictureBytes &pictureBytes);

// Reads sprite.json at indexPath, and the pictures it names from the same folder. Throws as
// the two above, and Error(ErrorKind::Encode or BitmapRead, ...) for a file that cannot be read.
UnpackIndex ReadUnpackIndex(const std::string &indexPath);
SpritePlanes ReadUnpackFolder(const std::string &indexPath);

// The files the folder's index names, with their folder: what an encode must not write onto.
std::vector<std::string> UnpackInputFiles(const std::string &indexPath, const UnpackIndex &index);

} // namespace tessary
