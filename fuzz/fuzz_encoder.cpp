// Loads arbitrary bytes as a sprite, decodes every (small) frame, encodes the decoded surfaces
// into a new sprite and decodes that again: the second decode must give back exactly the first.
// The encoder may refuse a picture the format cannot express, with a tessary::Error; it must
// never produce a sprite that decodes to something else.
#include "common/error.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_encoder.hpp"
#include "sprite/slp_loader.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

// Keeps each run quick; the decoder and encoder treat every size alike.
constexpr std::int64_t kPixelBudget = 1 << 16;

// Whether a decoded surface holds exactly the pixels of an encoder frame's array (a surface
// that was never created, for a frame without pixels, reads as untouched black).
bool Matches(const tessary::cDIBSection &surface, std::int32_t width, std::int32_t height,
             const std::vector<tessary::Colour> &pixels) {
  if (std::max(surface.Width(), 0) != width || std::max(surface.Height(), 0) != height)
    return false;
  std::size_t i = 0;
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x, ++i) {
      const tessary::Colour c = surface.GetPixel(x, y);
      if ((c == tessary::kInvalidColour ? 0 : c) != pixels[i])
        return false;
    }
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const tessary::PaletteTable palette = tessary::DefaultPalette();
  std::vector<tessary::EncoderFrame> frames;
  try {
    const auto sprite = tessary::ParseSLP(std::span<const std::uint8_t>(data, size), "fuzz");
    for (const auto &frame : sprite.frames) {
      if (static_cast<std::int64_t>(frame.width) * frame.height > kPixelBudget ||
          frames.size() >= 8)
        return 0;
      tessary::cDIBSection image, layer;
      tessary::DecodeSLPFrame(sprite, frame, palette, image, layer);
      frames.push_back(tessary::FrameFromSurfaces(image, layer, frame.hotspotX, frame.hotspotY));
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
    const auto &f = frames[n];
    if (!Matches(image, f.width, f.height, f.image) || !Matches(layer, f.width, f.height, f.layer))
      __builtin_trap(); // the encoded sprite draws a different picture
  }
  return 0;
}
