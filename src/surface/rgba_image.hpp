#pragma once

#include <cstdint>
#include <vector>

namespace tessary {

// A picture of 8-bit red, green, blue, alpha pixels, top row first, rows without padding.
struct RgbaImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels; // 4 * width * height bytes

  RgbaImage() = default;
  // Every pixel (0, 0, 0, 0).
  RgbaImage(std::int32_t w, std::int32_t h)
      : width(w), height(h),
        pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4u, 0) {}

  bool empty() const { return width <= 0 || height <= 0; }
  std::uint8_t *pixel(std::int32_t x, std::int32_t y) {
    return pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)) *
                               4u;
  }
  const std::uint8_t *pixel(std::int32_t x, std::int32_t y) const {
    return pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)) *
                               4u;
  }
};

} // namespace tessary
