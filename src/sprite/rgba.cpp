#include "sprite/rgba.hpp"

#include "sprite/pixel_fill.hpp"
#include "sprite/slp_decoder.hpp"

#include <algorithm>

namespace tessary {

namespace {

void ConvertPixel(const std::uint8_t *image, const std::uint8_t *map, std::uint8_t *to) {
  const Colour code = LoadPixel(map);
  if (code == kMapWhite || code == kMapGreen) {
    const Colour colour = LoadPixel(image);
    to[0] = static_cast<std::uint8_t>(RedOf(colour));
    to[1] = static_cast<std::uint8_t>(GreenOf(colour));
    to[2] = static_cast<std::uint8_t>(BlueOf(colour));
    to[3] = 255;
  } else if (code == kShadowRed) {
    // The game darkens what lies under a shadow: black, half covering.
    to[0] = to[1] = to[2] = 0;
    to[3] = 128;
  } else {
    to[0] = to[1] = to[2] = to[3] = 0;
  }
}

} // namespace

RgbaImage RgbaOfFrame(const cDIBSection &image, const cDIBSection &layerMap) {
  if (!image.IsCreated() || !layerMap.IsCreated())
    return {};
  const std::int32_t width = std::min(image.Width(), layerMap.Width());
  const std::int32_t height = std::min(image.Height(), layerMap.Height());
  RgbaImage rgba(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t *from = image.RowBits(y);
    const std::uint8_t *map = layerMap.RowBits(y);
    std::uint8_t *to = rgba.pixel(0, y);
    for (std::int32_t x = 0; x < width; ++x, from += 3, map += 3, to += 4)
      ConvertPixel(from, map, to);
  }
  return rgba;
}

RgbaImage RenderFrameRgba(const SLPFile &sprite, std::int32_t frameNumber,
                          const PaletteTable &palette, const DisplayOptions &options) {
  cDIBSection image, layerMap;
  return RenderFrameRgba(sprite, frameNumber, palette, options, image, layerMap);
}

RgbaImage RenderFrameRgba(const SLPFile &sprite, std::int32_t frameNumber,
                          const PaletteTable &palette, const DisplayOptions &options,
                          cDIBSection &image, cDIBSection &layerMap) {
  const SLPFrameInfo &frame = sprite.frame(frameNumber);
  if (frame.width <= 0 || frame.height <= 0)
    return {};
  // The layer map alone says which pixels are what; the image gives the palette colours, in
  // the options' colours so that a later choice of player reaches the player pixels here too.
  DecodeSLPFrame(sprite, frame, palette, image, layerMap, {}, ChosenColours(options));
  return RgbaOfFrame(image, layerMap);
}

} // namespace tessary
