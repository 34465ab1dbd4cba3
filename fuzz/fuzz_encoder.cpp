// Loads arbitrary bytes as a sprite, decodes every (small) frame, encodes the decoded surfaces
// into a new sprite and decodes that again: the second decode must give back exactly the first.
// The encoder may refuse a picture the format cannot express, with a tessary::Error; it must
// never produce a sprite that decodes to something else.
#include "common/error.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_encoder.hpp"
#include "sprite/slp_loader.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

// Keeps each run quick; the decoder and encoder treat every size alike.
constexpr std::int64_t kPixelBudget = 1 << 16;

bool SameSurface(const tessary::cDIBSection &a, const tessary::cDIBSection &b) {
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return false;
  for (std::int32_t y = 0; y < a.Height(); ++y)
    for (std::int32_t x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y))
        return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const tessary::PaletteTable palette = tessary::DefaultPalette();
  std::vector<tessary::EncoderFrame> frames;
  std::vector<tessary::cDIBSection> images, layers;
  try {
    const auto sprite = tessary::ParseSLP(std::span<const std::uint8_t>(data, size), "fuzz");
    for (const auto &frame : sprite.frames) {
      if (static_cast<std::int64_t>(frame.width) * frame.height > kPixelBudget ||
          frames.size() >= 8)
        return 0;
      images.emplace_back();
      layers.emplace_back();
      tessary::DecodeSLPFrame(sprite, frame, palette, images.back(), layers.back());
      frames.push_back(
          tessary::FrameFromSurfaces(images.back(), layers.back(), frame.hotspotX, frame.hotspotY));
    }
  } catch (const tessary::Error &) {
    return 0; // not a sprite the decoder takes
  }
  std::vector<std::uint8_t> encoded;
  try {
    encoded = tessary::EncodeSLP(frames, palette);
  } catch (const tessary::Error &) {
    return 0; // a picture the format cannot express
  }
  const auto again = tessary::ParseSLP(encoded, "encoded");
  if (again.frames.size() != frames.size())
    __builtin_trap();
  for (std::size_t n = 0; n < frames.size(); ++n) {
    const auto &frame = again.frames[n];
    if (frame.hotspotX != frames[n].hotspotX || frame.hotspotY != frames[n].hotspotY)
      __builtin_trap();
    tessary::cDIBSection image, layer;
    tessary::DecodeSLPFrame(again, frame, palette, image, layer);
    if (!SameSurface(image, images[n]) || !SameSurface(layer, layers[n]))
      __builtin_trap(); // the encoded sprite draws a different picture
  }
  return 0;
}
