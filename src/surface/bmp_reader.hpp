#pragma once

#include "common/colour.hpp"
#include "common/error.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessary {

// A bitmap read back from a file: width * height colours, top row first.
struct BmpImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<Colour> pixels;

  // x and y must lie inside the image.
  Colour at(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

struct BmpSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Reads and checks only the headers of a bitmap file (as ReadBMP does, without the pixels).
BmpSize ReadBMPSize(const std::string &path);

// Reads an uncompressed 24-bit bottom-up BMP, the kind SavePicture writes (an information header
// of 40 bytes or one of its longer successors is accepted; the pixels are found through
// bfOffBits). Anything else (another depth, compression, a top-down bitmap, a header or pixel
// run past the file's end, more pixels than kMaxSurfaceBytes) throws Error(ErrorKind::BitmapRead,
// the file, detail naming the file and what is wrong).
BmpImage ReadBMP(const std::string &path);

// The same from bytes in memory; `name` is used in messages only.
BmpImage ParseBMP(std::span<const std::uint8_t> bytes, const std::string &name);

} // namespace tessary
