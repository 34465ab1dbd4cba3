#include "ui/frame_image.hpp"

#include <cstdint>

namespace tessary::ui {

QImage ImageFromSurface(const cDIBSection &surface) {
  if (!surface.IsCreated() || surface.Width() <= 0 || surface.Height() <= 0)
    return {};
  QImage image(surface.Width(), surface.Height(), QImage::Format_RGB32);
  if (image.isNull())
    return {};
  for (std::int32_t y = 0; y < surface.Height(); ++y) {
    const std::uint8_t *source = surface.RowBits(y);
    auto *target = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (std::int32_t x = 0; x < surface.Width(); ++x, source += 3)
      target[x] = qRgb(source[2], source[1], source[0]);
  }
  return image;
}

} // namespace tessary::ui
