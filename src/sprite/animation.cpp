#include "sprite/animation.hpp"
#include "common/paths.hpp"

#include "common/error.hpp"
#include "common/safe_write.hpp"
#include "sprite/exports.hpp"
#include "sprite/pixel_fill.hpp"
#include "sprite/slp_decoder.hpp"
#include "surface/bmp_writer.hpp"
#include "surface/gif_writer.hpp"

#include <unordered_map>

namespace tessary {

namespace {

// A frame's colour table as it fills: entry 0 stays the transparent colour.
class FrameColours {
public:
  FrameColours(const SLPFile &sprite, std::int32_t frameNumber)
      : sprite_(sprite), frame_(frameNumber) {}

  std::uint8_t indexOf(Colour colour) {
    const auto found = indexes_.find(colour);
    if (found != indexes_.end())
      return found->second;
    if (table_.size() == 256)
      throw Error(ErrorKind::Save, sprite_.path,
                  "frame " + std::to_string(frame_) + " of " + sprite_.path +
                      " needs more than 255 colours besides the transparent one, more than a "
                      "GIF frame can hold");
    const auto index = static_cast<std::uint8_t>(table_.size());
    table_.push_back(colour);
    indexes_.emplace(colour, index);
    return index;
  }
  const std::vector<Colour> &table() const { return table_; }

private:
  const SLPFile &sprite_;
  std::int32_t frame_;
  std::vector<Colour> table_ = {0x000000};
  std::unordered_map<Colour, std::uint8_t> indexes_;
};

// The colour a decoded pixel shows in the animation, or false for a transparent one.
bool ShownColour(const std::uint8_t *image, const std::uint8_t *map, Colour shadow,
                 Colour &colour) {
  const Colour code = LoadPixel(map);
  if (code == kMapWhite || code == kMapGreen) {
    colour = LoadPixel(image);
    return true;
  }
  if (code == kShadowRed) {
    colour = shadow;
    return true;
  }
  return false;
}

void DrawFrame(const cDIBSection &image, const cDIBSection &map, const SequenceCanvas &canvas,
               const SLPFrameInfo &frame, Colour shadow, FrameColours &colours,
               std::vector<std::uint8_t> &indexes) {
  if (!image.IsCreated() || !map.IsCreated())
    return;
  const std::int64_t left = canvas.left(frame), top = canvas.top(frame);
  for (std::int32_t y = 0; y < image.Height(); ++y) {
    const std::uint8_t *from = image.RowBits(y);
    const std::uint8_t *code = map.RowBits(y);
    std::uint8_t *to = indexes.data() + (top + y) * canvas.width + left;
    for (std::int32_t x = 0; x < image.Width(); ++x, from += 3, code += 3, ++to) {
      Colour colour = 0;
      if (ShownColour(from, code, shadow, colour))
        *to = colours.indexOf(colour);
    }
  }
}

} // namespace

std::int32_t FrameDelayHundredths(std::int32_t fps) { return (200 + fps) / (2 * fps); }

std::vector<std::uint8_t> EncodeAnimation(const SLPFile &sprite, const PaletteTable &palette,
                                          const DisplayOptions &options, std::int32_t fps) {
  const SequenceCanvas canvas = SequenceCanvasOf(sprite);
  // A GIF cannot be empty: a sprite without pixels becomes one transparent pixel.
  const std::int32_t width = canvas.width > 0 ? canvas.width : 1;
  const std::int32_t height = canvas.height > 0 ? canvas.height : 1;
  GifEncoder gif(width, height, FrameDelayHundredths(fps));
  cDIBSection image, map;
  std::vector<std::uint8_t> indexes;
  for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
    const SLPFrameInfo &frame = sprite.frame(n);
    indexes.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    FrameColours colours(sprite, n);
    if (frame.width > 0 && frame.height > 0) {
      DecodeSLPFrame(sprite, frame, palette, image, map, {}, KeyColours(options));
      DrawFrame(image, map, canvas, frame, options.shadowColour, colours, indexes);
    }
    gif.AddFrame(indexes, colours.table());
  }
  return gif.Finish();
}

void ExportAnimation(const SLPFile &sprite, const std::string &fileName,
                     const PaletteTable &palette, const DisplayOptions &options, std::int32_t fps) {
  CheckWritableTargets({fileName}, ErrorKind::Save);
  const std::vector<std::uint8_t> bytes = EncodeAnimation(sprite, palette, options, fps);
  FileSet file(SavePictureErrors(), true);
  file.Add(PathOf(fileName));
  file.Write(bytes);
  file.Commit();
}

} // namespace tessary
