#include "sprite/unpack.hpp"

#include "common/paths.hpp"
#include "common/safe_write.hpp"
#include "sprite/slp_decoder.hpp"
#include "surface/dib_section.hpp"
#include "surface/png_sample_writer.hpp"

#include <nlohmann/json.hpp>

namespace tessary {

namespace {

// A palette whose entry k is the colour (k, 0, 0): decoded through it, a colour or player
// pixel's red byte is the entry it shows, whatever colours the palette in force repeats.
PaletteTable IndexPalette() {
  PaletteTable table{};
  for (unsigned k = 0; k < 256; ++k)
    table[k] = RGB(k, 0, 0);
  return table;
}

// The layer a decoded pixel's layer-map code stands for; black is what no command reached.
PixelLayer LayerOfCode(Colour code) {
  switch (code) {
  case kMapWhite:
    return PixelLayer::PaletteColour;
  case kMapGreen:
    return PixelLayer::Player;
  case kShadowRed:
    return PixelLayer::Shadow;
  case kMapBlue:
    return PixelLayer::InnerOutline;
  case kMapYellow:
    return PixelLayer::OuterOutline;
  case 0x000000:
    return PixelLayer::NotDrawn;
  default: // key magenta: the decoder writes no other code
    return PixelLayer::Transparent;
  }
}

FramePlanes UnpackFrame(const SLPFile &sprite, const SLPFrameInfo &record,
                        const PaletteTable &indexPalette) {
  FramePlanes frame;
  frame.record = record;
  frame.record.commandTableOffset = 0;
  frame.record.outlineTableOffset = 0;
  if (!frame.hasPixels()) {
    // Nothing to draw, but a frame whose tables lie outside the sprite is refused as the
    // viewer refuses it.
    CheckFrameTables(sprite, record);
    return frame;
  }
  cDIBSection image, map;
  DecodeSLPFrame(sprite, record, indexPalette, image, map);
  const auto pixels =
      static_cast<std::size_t>(record.width) * static_cast<std::size_t>(record.height);
  frame.layers.resize(pixels);
  frame.indexes.resize(pixels);
  std::size_t i = 0;
  for (std::int32_t y = 0; y < record.height; ++y)
    for (std::int32_t x = 0; x < record.width; ++x, ++i) {
      const PixelLayer layer = LayerOfCode(map.GetPixel(x, y));
      frame.layers[i] = static_cast<std::uint8_t>(layer);
      if (layer == PixelLayer::PaletteColour || layer == PixelLayer::Player)
        frame.indexes[i] = static_cast<std::uint8_t>(RedOf(image.GetPixel(x, y)));
    }
  return frame;
}

// Header bytes as JSON text: one character per byte, the padding zeros at the end left out.
template <std::size_t N> std::string HeaderText(const std::array<char, N> &bytes) {
  std::size_t length = N;
  while (length > 0 && bytes[length - 1] == '\0')
    --length;
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      text += static_cast<char>(byte);
    } else {
      text += static_cast<char>(0xC0 | (byte >> 6));
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

nlohmann::ordered_json PictureName(bool hasPixels, const std::string &name) {
  return hasPixels ? nlohmann::ordered_json(name) : nlohmann::ordered_json(nullptr);
}

} // namespace

UnpackPictureNames UnpackPictureNamesOf(std::int32_t n) {
  const std::string number = PadNumber(n);
  return {number + ".png", number + ".layers.png"};
}

SpritePlanes UnpackSprite(const SLPFile &sprite) {
  const PaletteTable indexPalette = IndexPalette();
  SpritePlanes planes;
  planes.version = sprite.header.version;
  planes.comment = sprite.header.comment;
  planes.frames.reserve(sprite.frames.size());
  for (const SLPFrameInfo &record : sprite.frames)
    planes.frames.push_back(UnpackFrame(sprite, record, indexPalette));
  return planes;
}

std::string UnpackIndexText(const SpritePlanes &planes) {
  nlohmann::ordered_json frames = nlohmann::ordered_json::array();
  for (std::size_t n = 0; n < planes.frames.size(); ++n) {
    const FramePlanes &frame = planes.frames[n];
    const SLPFrameInfo &r = frame.record;
    const UnpackPictureNames names = UnpackPictureNamesOf(static_cast<std::int32_t>(n + 1));
    frames.push_back({{"width", r.width},
                      {"height", r.height},
                      {"hotspot_x", r.hotspotX},
                      {"hotspot_y", r.hotspotY},
                      {"palette_offset", r.paletteOffset},
                      {"properties", r.properties},
                      {"picture", PictureName(frame.hasPixels(), names.picture)},
                      {"layers", PictureName(frame.hasPixels(), names.layers)}});
  }
  const nlohmann::ordered_json document = {{"version", HeaderText(planes.version)},
                                           {"comment", HeaderText(planes.comment)},
                                           {"frame_count", planes.frames.size()},
                                           {"frames", frames}};
  return document.dump(1) + "\n";
}

std::vector<std::string> UnpackFileNames(const std::string &folder,
                                         const std::vector<SLPFrameInfo> &frames) {
  const std::string prefix = folder.empty() || IsSeparator(folder.back()) ? folder : folder + "/";
  std::vector<std::string> names = {prefix + kUnpackIndexName};
  for (std::size_t n = 0; n < frames.size(); ++n) {
    if (frames[n].width <= 0 || frames[n].height <= 0)
      continue;
    const UnpackPictureNames pictures = UnpackPictureNamesOf(static_cast<std::int32_t>(n + 1));
    names.push_back(prefix + pictures.picture);
    names.push_back(prefix + pictures.layers);
  }
  return names;
}

void ExportUnpacked(const SLPFile &sprite, const std::string &folder, const PaletteTable &palette) {
  const std::vector<std::string> names = UnpackFileNames(folder, sprite.frames);
  CheckWritableTargets(PathsOf(names), ErrorKind::Save);
  const SpritePlanes planes = UnpackSprite(sprite);
  FileSet files({ErrorKind::Save, 0, {}}, true);
  files.Add(PathOf(names[0]));
  files.Write(UnpackIndexText(planes));
  std::size_t next = 1;
  for (const FramePlanes &frame : planes.frames) {
    if (!frame.hasPixels())
      continue;
    files.Add(PathOf(names[next++]));
    files.Write(EncodeIndexedPNG(frame.record.width, frame.record.height, frame.indexes, palette));
    files.Add(PathOf(names[next++]));
    files.Write(EncodeGreyPNG(frame.record.width, frame.record.height, frame.layers));
  }
  files.Commit();
}

} // namespace tessary
