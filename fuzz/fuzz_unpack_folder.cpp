// Reads an unpack folder from one input: sprite.json, then the picture and the layers picture
// that every frame with pixels is given, and encodes it. Input layout: a 32-bit little-endian
// length and that many bytes of sprite.json, a 32-bit length and that many bytes of the
// picture, then the layers picture (the rest). Whatever the folder holds, reading and encoding
// either refuse it with a tessary::Error or give a sprite that decodes to exactly the planes read.
#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "sprite/slp_encoder.hpp"
#include "sprite/slp_loader.hpp"
#include "sprite/unpack.hpp"
#include "sprite/unpack_folder.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace {

// Keeps each run quick; every size is read and encoded alike.
constexpr std::int64_t kPixelBudget = 1 << 16;

struct Parts {
  std::string_view json;
  std::vector<std::uint8_t> picture;
  std::vector<std::uint8_t> layers;
};

bool Split(const std::uint8_t *data, std::size_t size, Parts &parts) {
  const auto take = [&](std::size_t &at, std::span<const std::uint8_t> &out) {
    if (size - at < 4)
      return false;
    const auto length = static_cast<std::uint32_t>(tessary::LoadI32(data + at));
    at += 4;
    if (length > size - at)
      return false;
    out = {data + at, length};
    at += length;
    return true;
  };
  std::size_t at = 0;
  std::span<const std::uint8_t> json, picture;
  if (!take(at, json) || !take(at, picture))
    return false;
  parts.json = {reinterpret_cast<const char *>(json.data()), json.size()};
  parts.picture.assign(picture.begin(), picture.end());
  parts.layers.assign(data + at, data + size);
  return true;
}

bool WithinBudget(const tessary::UnpackIndex &index) {
  std::int64_t pixels = 0;
  for (const auto &frame : index.planes.frames)
    if (frame.hasPixels())
      pixels += std::int64_t{frame.record.width} * frame.record.height;
  return pixels <= kPixelBudget;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  Parts parts;
  if (!Split(data, size, parts))
    return 0;
  tessary::SpritePlanes planes;
  std::vector<std::uint8_t> encoded;
  try {
    const tessary::UnpackIndex index =
        tessary::ParseUnpackIndex(parts.json, tessary::kUnpackIndexName);
    if (!WithinBudget(index))
      return 0;
    planes = tessary::ReadUnpackPictures(index, [&parts](const std::string &name) {
      const bool layers =
          name.size() >= 11 && name.compare(name.size() - 11, 11, ".layers.png") == 0;
      return layers ? parts.layers : parts.picture;
    });
    encoded = tessary::EncodeSpritePlanes(planes);
  } catch (const tessary::Error &) {
    return 0; // a folder that does not hold together
  }
  // What was encoded must unpack to exactly the planes it was made from.
  const tessary::SLPFile sprite = tessary::ParseSLP(encoded, "encoded");
  const tessary::SpritePlanes again = tessary::UnpackSprite(sprite);
  if (again.version != planes.version || again.comment != planes.comment ||
      again.frames.size() != planes.frames.size())
    __builtin_trap();
  for (std::size_t n = 0; n < planes.frames.size(); ++n) {
    const auto &a = planes.frames[n];
    const auto &b = again.frames[n];
    if (a.record.width != b.record.width || a.record.height != b.record.height ||
        a.record.hotspotX != b.record.hotspotX || a.record.hotspotY != b.record.hotspotY ||
        a.record.paletteOffset != b.record.paletteOffset ||
        a.record.properties != b.record.properties || a.layers != b.layers ||
        a.indexes != b.indexes)
      __builtin_trap();
  }
  return 0;
}
