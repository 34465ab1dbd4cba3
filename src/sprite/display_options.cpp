#include "sprite/display_options.hpp"

#include "sprite/pixel_fill.hpp"
#include "sprite/slp_loader.hpp"

#include <algorithm>

namespace tessary {

namespace {

// The four layer codes that are recoloured, and their colours, both per pixel and as groups of
// eight so that uniform stretches of the map (most of any sprite) go eight pixels at a time.
struct RecolourTable {
  explicit RecolourTable(const DisplayOptions &options)
      : colour{options.innerOutlineColour, options.shadowColour, options.outerOutlineColour,
               options.maskColour} {
    for (int k = 0; k < 4; ++k) {
      codeGroup[k] = GroupOf(code[k]);
      colourGroup[k] = GroupOf(colour[k]);
    }
  }

  static constexpr Colour code[4] = {kMapBlue, kShadowRed, kMapYellow, kKeyMagenta};
  Colour colour[4];
  PixelGroup codeGroup[4];
  PixelGroup colourGroup[4];
  PixelGroup white = GroupOf(kMapWhite);
  PixelGroup green = GroupOf(kMapGreen);
};

void RecolourPixels(std::uint8_t *image, const std::uint8_t *map, std::int64_t n,
                    const RecolourTable &table) {
  for (; n > 0; --n, image += 3, map += 3) {
    const Colour code = LoadPixel(map);
    for (int k = 0; k < 4; ++k) {
      if (code == RecolourTable::code[k]) {
        StorePixel(image, table.colour[k]);
        break;
      }
    }
  }
}

void RecolourRow(std::uint8_t *image, const std::uint8_t *map, std::int64_t width,
                 const RecolourTable &table) {
  for (; width >= kGroupPixels; width -= kGroupPixels, image += kGroupBytes, map += kGroupBytes) {
    const PixelGroup group = LoadGroup(map);
    if (group == table.white || group == table.green)
      continue;
    int k = 0;
    while (k < 4 && !(group == table.codeGroup[k]))
      ++k;
    if (k < 4)
      StoreGroup(image, table.colourGroup[k]);
    else
      RecolourPixels(image, map, kGroupPixels, table);
  }
  RecolourPixels(image, map, width, table);
}

} // namespace

LayerColours ChosenColours(const DisplayOptions &options) {
  LayerColours colours;
  colours.transparent = options.maskColour;
  colours.innerOutline = options.innerOutlineColour;
  colours.outerOutline = options.outerOutlineColour;
  colours.shadow = options.shadowColour;
  colours.playerIndex = options.playerIndex;
  return colours;
}

LayerColours KeyColours(const DisplayOptions &options) {
  LayerColours colours;
  colours.playerIndex = options.playerIndex;
  return colours;
}

void Recolour(cDIBSection &image, const cDIBSection &layerMap, const DisplayOptions &options) {
  if (!image.IsCreated() || !layerMap.IsCreated())
    return;
  const RecolourTable table(options);
  const std::int32_t width = std::min(image.Width(), layerMap.Width());
  const std::int32_t height = std::min(image.Height(), layerMap.Height());
  for (std::int32_t y = 0; y < height; ++y)
    RecolourRow(image.RowBits(y), layerMap.RowBits(y), width, table);
}

RenderedFrame RenderFrame(const std::string &spritePath, std::int32_t frameNumber,
                          const PaletteTable &palette, const DisplayOptions &options,
                          cDIBSection &image, const CancelPoll &cancel) {
  return RenderFrame(LoadSLPInfo(spritePath), frameNumber, palette, options, image, cancel);
}

RenderedFrame RenderFrame(const SLPFile &sprite, std::int32_t frameNumber,
                          const PaletteTable &palette, const DisplayOptions &options,
                          cDIBSection &image, const CancelPoll &cancel) {
  const SLPFrameInfo &frame = sprite.frame(frameNumber);
  cDIBSection layerMap;
  RenderedFrame result;
  result.frameCount = sprite.frameCount();
  result.width = frame.width;
  result.height = frame.height;
  // Decoding with the chosen colours is decoding and then recolouring, in one pass. A cancelled
  // decode is still used: the rows not reached stay black.
  result.cancelled =
      DecodeSLPFrame(sprite, frame, palette, image, layerMap, cancel, ChosenColours(options));
  return result;
}

void SaveFrameBMP(const std::string &spritePath, std::int32_t frameNumber,
                  const PaletteTable &palette, const DisplayOptions &options,
                  const std::string &fileName, const CancelPoll &cancel) {
  SaveFrameBMP(LoadSLPInfo(spritePath), frameNumber, palette, options, fileName, cancel);
}

void SaveFrameBMP(const SLPFile &sprite, std::int32_t frameNumber, const PaletteTable &palette,
                  const DisplayOptions &options, const std::string &fileName,
                  const CancelPoll &cancel) {
  cDIBSection image;
  RenderFrame(sprite, frameNumber, palette, options, image, cancel);
  image.SavePicture(fileName);
}

} // namespace tessary
