#include "surface/png_sample_writer.hpp"

#include "common/error.hpp"

#include <png.h>

#include <cstring>
#include <string>

namespace tessary {

namespace {

png_image DescriptionOf(std::int32_t width, std::int32_t height, png_uint_32 format) {
  png_image description;
  std::memset(&description, 0, sizeof description);
  description.version = PNG_IMAGE_VERSION;
  description.width = static_cast<png_uint_32>(width);
  description.height = static_cast<png_uint_32>(height);
  description.format = format;
  return description;
}

[[noreturn]] void FailEncoding(png_image &description) {
  const std::string cause = description.message;
  png_image_free(&description);
  throw Error(ErrorKind::Save, {}, "the PNG encoder failed: " + cause);
}

// libpng's simplified interface (no longjmp reaches our code). With a colour map of 256 entries
// it writes an 8-bit palette file whose PLTE lists the map in order and whose pixels are the
// given indexes; without one, the samples as grey values.
std::vector<std::uint8_t> Encode(std::int32_t width, std::int32_t height, png_uint_32 format,
                                 std::span<const std::uint8_t> samples, const void *colourMap,
                                 png_uint_32 colourMapEntries) {
  if (width <= 0 || height <= 0 ||
      samples.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    throw Error(ErrorKind::Save, {},
                "a " + std::to_string(width) + " x " + std::to_string(height) +
                    " picture cannot hold " + std::to_string(samples.size()) + " pixels");
  const auto stride = static_cast<png_int_32>(width);
  png_image description = DescriptionOf(width, height, format);
  description.colormap_entries = colourMapEntries;
  png_alloc_size_t size = 0;
  // The first pass only measures the file.
  if (!png_image_write_to_memory(&description, nullptr, &size, 0, samples.data(), stride,
                                 colourMap))
    FailEncoding(description);
  std::vector<std::uint8_t> bytes(size);
  description = DescriptionOf(width, height, format);
  description.colormap_entries = colourMapEntries;
  if (!png_image_write_to_memory(&description, bytes.data(), &size, 0, samples.data(), stride,
                                 colourMap))
    FailEncoding(description);
  bytes.resize(size);
  return bytes;
}

} // namespace

std::vector<std::uint8_t> EncodeIndexedPNG(std::int32_t width, std::int32_t height,
                                           std::span<const std::uint8_t> indexes,
                                           const PaletteTable &palette) {
  std::uint8_t colourMap[256 * 3];
  for (std::size_t i = 0; i < 256; ++i) {
    colourMap[3 * i] = static_cast<std::uint8_t>(RedOf(palette[i]));
    colourMap[3 * i + 1] = static_cast<std::uint8_t>(GreenOf(palette[i]));
    colourMap[3 * i + 2] = static_cast<std::uint8_t>(BlueOf(palette[i]));
  }
  return Encode(width, height, PNG_FORMAT_RGB_COLORMAP, indexes, colourMap, 256);
}

std::vector<std::uint8_t> EncodeGreyPNG(std::int32_t width, std::int32_t height,
                                        std::span<const std::uint8_t> values) {
  return Encode(width, height, PNG_FORMAT_GRAY, values, nullptr, 0);
}

} // namespace tessary
