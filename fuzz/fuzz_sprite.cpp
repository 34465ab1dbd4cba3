// Loads arbitrary bytes as a sprite, decodes and recolours every frame. The harness skips
// frames above a pixel budget only to keep each run fast; the decoder itself takes any frame
// the loader accepts.
#include "common/error.hpp"
#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_loader.hpp"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const tessary::PaletteTable palette = tessary::DefaultPalette();
  constexpr std::int64_t kPixelBudget = 1 << 20;
  try {
    const auto sprite = tessary::ParseSLP(std::span<const std::uint8_t>(data, size), "fuzz");
    tessary::cDIBSection image, layer;
    for (const auto &frame : sprite.frames) {
      if (static_cast<std::int64_t>(frame.width) * frame.height > kPixelBudget)
        continue;
      try {
        tessary::DecodeSLPFrame(sprite, frame, palette, image, layer, {});
        if (image.IsCreated())
          tessary::Recolour(image, layer, tessary::DisplayOptions{});
      } catch (const tessary::Error &) {
      }
    }
  } catch (const tessary::Error &) {
  }
  return 0;
}
