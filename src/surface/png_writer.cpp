#include "surface/png_writer.hpp"

#include "common/error.hpp"

#include <png.h>

#include <cstring>
#include <string>

namespace tessary {

namespace {

// libpng's simplified interface: no longjmp reaches our code, failures come back as a flag and
// a message in the control structure.
png_image DescriptionOf(const RgbaImage &image) {
  png_image description;
  std::memset(&description, 0, sizeof description);
  description.version = PNG_IMAGE_VERSION;
  description.width = static_cast<png_uint_32>(image.width);
  description.height = static_cast<png_uint_32>(image.height);
  description.format = PNG_FORMAT_RGBA;
  return description;
}

[[noreturn]] void FailEncoding(png_image &description) {
  const std::string cause = description.message;
  png_image_free(&description);
  throw Error(ErrorKind::Save, {}, "the PNG encoder failed: " + cause);
}

} // namespace

std::vector<std::uint8_t> EncodePNG(const RgbaImage &image) {
  static const RgbaImage kOneTransparentPixel(1, 1);
  const RgbaImage &source = image.empty() ? kOneTransparentPixel : image;
  png_image description = DescriptionOf(source);
  const png_int_32 stride = static_cast<png_int_32>(source.width) * 4;
  png_alloc_size_t size = 0;
  // The first pass only measures the file.
  if (!png_image_write_to_memory(&description, nullptr, &size, 0, source.pixels.data(), stride,
                                 nullptr))
    FailEncoding(description);
  std::vector<std::uint8_t> bytes(size);
  description = DescriptionOf(source);
  if (!png_image_write_to_memory(&description, bytes.data(), &size, 0, source.pixels.data(), stride,
                                 nullptr))
    FailEncoding(description);
  bytes.resize(size);
  return bytes;
}

} // namespace tessary
