#include "sprite/sheet.hpp"

#include "common/error.hpp"
#include "common/limits.hpp"
#include "common/paths.hpp"
#include "common/safe_write.hpp"
#include "sprite/exports.hpp"
#include "sprite/rgba.hpp"
#include "surface/bmp_writer.hpp"
#include "surface/png_writer.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>

namespace tessary {

namespace {

bool HasPixels(const SLPFrameInfo &f) { return f.width > 0 && f.height > 0; }

std::vector<SheetRect> LayOut(const SLPFile &sprite, std::int64_t &width, std::int64_t &height) {
  std::vector<SheetRect> rects;
  width = 0;
  height = 0;
  for (const SLPFrameInfo &f : sprite.frames) {
    SheetRect rect;
    rect.x = static_cast<std::int32_t>(std::min(width, kMaxSheetWidth + 1));
    rect.hotspotX = f.hotspotX;
    rect.hotspotY = f.hotspotY;
    if (HasPixels(f)) {
      rect.w = f.width;
      rect.h = f.height;
      width += f.width;
      height = std::max(height, std::int64_t{f.height});
    }
    rects.push_back(rect);
  }
  return rects;
}

void CheckSheetSize(const SLPFile &sprite, std::int64_t width, std::int64_t height) {
  if (width > kMaxSheetWidth)
    throw Error(ErrorKind::Save, sprite.path,
                "side by side, the frames of " + sprite.path + " make a sheet " +
                    std::to_string(width) + " pixels wide, more than 65535");
  if (width * height * 4 > kMaxSurfaceBytes)
    throw Error(ErrorKind::Save, sprite.path,
                "the sheet of " + sprite.path + " would be " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels, more than can be made");
}

void Draw(RgbaImage &sheet, const RgbaImage &frame, std::int32_t left) {
  for (std::int32_t y = 0; y < frame.height; ++y)
    std::memcpy(sheet.pixel(left, y), frame.pixel(0, y),
                static_cast<std::size_t>(frame.width) * 4u);
}

} // namespace

Sheet BuildSheet(const SLPFile &sprite, const PaletteTable &palette,
                 const DisplayOptions &options) {
  std::int64_t width = 0, height = 0;
  Sheet sheet;
  sheet.frames = LayOut(sprite, width, height);
  CheckSheetSize(sprite, width, height);
  sheet.picture = RgbaImage(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
    const SheetRect &rect = sheet.frames[static_cast<std::size_t>(n - 1)];
    if (rect.w == 0)
      continue;
    const RgbaImage pixels = RenderFrameRgba(sprite, n, palette, options);
    if (!pixels.empty())
      Draw(sheet.picture, pixels, rect.x);
  }
  return sheet;
}

std::string SheetJson(const Sheet &sheet, std::int32_t player) {
  nlohmann::ordered_json frames = nlohmann::ordered_json::array();
  for (const SheetRect &r : sheet.frames)
    frames.push_back({{"x", r.x},
                      {"y", r.y},
                      {"w", r.w},
                      {"h", r.h},
                      {"hotspot_x", r.hotspotX},
                      {"hotspot_y", r.hotspotY}});
  const nlohmann::ordered_json document = {{"frames", frames}, {"player", player}};
  return document.dump(1) + "\n";
}

std::string SheetJsonName(const std::string &pictureName) {
  return BaseNameOfPath(pictureName) + ".json";
}

void ExportSheet(const SLPFile &sprite, const std::string &pictureName, const PaletteTable &palette,
                 const DisplayOptions &options) {
  const std::string jsonName = SheetJsonName(pictureName);
  CheckWritableTargets({pictureName, jsonName}, ErrorKind::Save);
  const Sheet sheet = BuildSheet(sprite, palette, options);
  const std::vector<std::uint8_t> png = EncodePNG(sheet.picture);
  FileSet files(SavePictureErrors(), true);
  files.Add(PathOf(pictureName));
  files.Write(png);
  files.Add(PathOf(jsonName));
  files.Write(SheetJson(sheet, options.playerIndex + 1));
  files.Commit();
}

} // namespace tessary
