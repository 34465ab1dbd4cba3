#pragma once
// Reads the program's PNG files back with libpng itself, for tests that check their pixels.
#include "surface/rgba_image.hpp"

#include <png.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tessary::test {

struct DecodedPng {
  bool ok = false;
  png_uint_32 storedFormat = 0; // the file's own format (PNG_FORMAT_FLAG_* bits)
  RgbaImage image;
};

// Decodes any PNG into 8-bit RGBA; ok is false (and the test fails) when libpng refuses it.
inline DecodedPng DecodePng(const std::vector<std::uint8_t> &bytes) {
  DecodedPng result;
  png_image description;
  std::memset(&description, 0, sizeof description);
  description.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&description, bytes.data(), bytes.size())) {
    ADD_FAILURE() << "libpng refused the file: " << description.message;
    return result;
  }
  result.storedFormat = description.format;
  description.format = PNG_FORMAT_RGBA;
  result.image = RgbaImage(static_cast<std::int32_t>(description.width),
                           static_cast<std::int32_t>(description.height));
  if (!png_image_finish_read(&description, nullptr, result.image.pixels.data(), 0, nullptr)) {
    ADD_FAILURE() << "libpng could not read the pixels: " << description.message;
    png_image_free(&description);
    return result;
  }
  result.ok = true;
  return result;
}

inline std::array<std::uint8_t, 4> PixelAt(const RgbaImage &image, std::int32_t x, std::int32_t y) {
  const std::uint8_t *p = image.pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}

inline bool IsPng(const std::vector<std::uint8_t> &bytes) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

} // namespace tessary::test
