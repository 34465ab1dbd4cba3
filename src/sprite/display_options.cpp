#include "sprite/display_options.hpp"

#include "sprite/slp_loader.hpp"

#include <algorithm>

namespace tessary {

namespace {

void RecolourRow(std::uint8_t *image, const std::uint8_t *map, std::int32_t width,
                 const DisplayOptions &options) {
  for (std::int32_t x = 0; x < width; ++x, image += 3, map += 3) {
    // Most pixels are palette colours (map white or green): test the cheap common case first.
    if (map[1] == 0xFF && (map[0] == map[2]))
      continue;
    switch (LoadPixel(map)) {
    case kMapBlue:
      StorePixel(image, options.innerOutlineColour);
      break;
    case kShadowRed:
      StorePixel(image, options.shadowColour);
      break;
    case kMapYellow:
      StorePixel(image, options.outerOutlineColour);
      break;
    case kKeyMagenta:
      StorePixel(image, options.maskColour);
      break;
    default:
      break;
    }
  }
}

} // namespace

void Recolour(cDIBSection &image, const cDIBSection &layerMap, const DisplayOptions &options) {
  if (!image.IsCreated() || !layerMap.IsCreated())
    return;
  const std::int32_t width = std::min(image.Width(), layerMap.Width());
  const std::int32_t height = std::min(image.Height(), layerMap.Height());
  for (std::int32_t y = 0; y < height; ++y)
    RecolourRow(image.RowBits(y), layerMap.RowBits(y), width, options);
}

RenderedFrame RenderFrame(const std::string &spritePath, std::int32_t frameNumber,
                          const PaletteTable &palette, const DisplayOptions &options,
                          cDIBSection &image, const CancelPoll &cancel) {
  const SLPFile sprite = LoadSLPInfo(spritePath);
  const SLPFrameInfo &frame = sprite.frame(frameNumber);
  cDIBSection layerMap;
  RenderedFrame result;
  result.frameCount = sprite.frameCount();
  result.width = frame.width;
  result.height = frame.height;
  // A cancelled decode is still recoloured and used: the rows not reached stay black.
  result.cancelled = DecodeSLPFrame(sprite, frame, palette, image, layerMap, cancel);
  Recolour(image, layerMap, options);
  return result;
}

void SaveFrameBMP(const std::string &spritePath, std::int32_t frameNumber,
                  const PaletteTable &palette, const DisplayOptions &options,
                  const std::string &fileName, const CancelPoll &cancel) {
  cDIBSection image;
  RenderFrame(spritePath, frameNumber, palette, options, image, cancel);
  image.SavePicture(fileName);
}

} // namespace tessary
