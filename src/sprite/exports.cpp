#include "sprite/exports.hpp"

#include "common/error.hpp"
#include "common/paths.hpp"
#include "common/safe_write.hpp"
#include "sprite/pixel_fill.hpp"
#include "sprite/rgba.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_loader.hpp"
#include "surface/bmp_writer.hpp"
#include "surface/png_writer.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace tessary {

namespace {

// The smallest box, in hotspot coordinates, that holds every frame; empty (0 x 0) when no frame
// has any pixels.
struct UnionBox {
  std::int64_t minX = std::numeric_limits<std::int64_t>::max();
  std::int64_t maxX = std::numeric_limits<std::int64_t>::min();
  std::int64_t minY = std::numeric_limits<std::int64_t>::max();
  std::int64_t maxY = std::numeric_limits<std::int64_t>::min();

  bool empty() const { return minX > maxX || minY > maxY; }
  std::int64_t width() const { return empty() ? 0 : maxX - minX + 1; }
  std::int64_t height() const { return empty() ? 0 : maxY - minY + 1; }
};

// A frame of no columns or no rows has an empty extent; counting its ends would stretch the box
// over space no frame draws in.
bool HasExtent(const SLPFrameInfo &f) { return f.width > 0 && f.height > 0; }

UnionBox UnionOfFrames(const SLPFile &sprite) {
  UnionBox box;
  for (const SLPFrameInfo &f : sprite.frames) {
    if (!HasExtent(f))
      continue;
    box.minX = std::min(box.minX, -std::int64_t{f.hotspotX});
    box.maxX = std::max(box.maxX, std::int64_t{f.width} - f.hotspotX - 1);
    box.minY = std::min(box.minY, -std::int64_t{f.hotspotY});
    box.maxY = std::max(box.maxY, std::int64_t{f.height} - f.hotspotY - 1);
  }
  return box;
}

// Hotspots far apart would ask for a canvas no sprite needs; refuse it rather than reserve it.
void CheckCanvas(const UnionBox &box, const SLPFile &sprite) {
  const std::int64_t w = box.width(), h = box.height();
  if (w > kMaxCanvasSide || h > kMaxCanvasSide || !FitsOneSurface(w, h))
    throw Error(ErrorKind::SpriteRead, sprite.path,
                "aligned on their hotspots, the frames of " + sprite.path + " need a canvas of " +
                    std::to_string(w) + " x " + std::to_string(h) +
                    " pixels, more than can be made");
}

// Frames sharing their tables (consecutive records naming the same ones) are checked once.
void CheckAllFrameTables(const SLPFile &sprite) {
  const SLPFrameInfo *checked = nullptr;
  for (const SLPFrameInfo &f : sprite.frames) {
    if (checked && checked->outlineTableOffset == f.outlineTableOffset &&
        checked->commandTableOffset == f.commandTableOffset && checked->height == f.height)
      continue;
    CheckFrameTables(sprite, f);
    checked = &f;
  }
}

void FillCanvas(cDIBSection &canvas, Colour colour) {
  if (!canvas.IsCreated())
    return;
  for (std::int32_t y = 0; y < canvas.Height(); ++y)
    FillPixels(canvas.RowBits(y), canvas.Width(), colour);
}

// Copies the decoded image onto the canvas at (left, top); key magenta becomes maskColour.
void PlaceFrame(cDIBSection &canvas, const cDIBSection &image, std::int64_t left, std::int64_t top,
                Colour maskColour) {
  if (!canvas.IsCreated() || !image.IsCreated())
    return;
  std::uint8_t mask[3];
  StorePixel(mask, maskColour);
  for (std::int32_t y = 0; y < image.Height(); ++y) {
    const std::uint8_t *from = image.RowBits(y);
    std::uint8_t *to = canvas.RowBits(static_cast<std::int32_t>(top + y)) + 3 * left;
    for (std::int32_t x = 0; x < image.Width(); ++x, from += 3, to += 3) {
      const bool key = LoadPixel(from) == kKeyMagenta;
      to[0] = key ? mask[0] : from[0];
      to[1] = key ? mask[1] : from[1];
      to[2] = key ? mask[2] : from[2];
    }
  }
}

// Copies the frame's RGBA pixels onto the canvas at (left, top), both inside it.
void PlaceRgba(RgbaImage &canvas, const RgbaImage &frame, std::int64_t left, std::int64_t top) {
  for (std::int32_t y = 0; y < frame.height; ++y)
    std::memcpy(canvas.pixel(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top + y)),
                frame.pixel(0, y), static_cast<std::size_t>(frame.width) * 4u);
}

void Report(const ExportProgress &progress, std::int32_t n, std::int32_t count) {
  if (progress)
    progress(n, count);
}

} // namespace

std::string SequenceFileName(const std::string &baseName, std::int32_t n) {
  return SequenceFileName(baseName, n, PictureFormat::Bmp);
}

std::string SequenceFileName(const std::string &baseName, std::int32_t n, PictureFormat format) {
  return baseName + PadNumber(n) + (format == PictureFormat::Png ? ".png" : ".bmp");
}

SLXFrameFiles SLXFileNames(const std::string &baseName, std::int32_t n) {
  const std::string stem = baseName + std::to_string(n);
  return {stem + "c.bmp", stem + "d.bmp"};
}

std::string SLXIndexName(const std::string &baseName) { return baseName + ".slx"; }

std::vector<std::string> SequenceFileNames(const std::string &baseName, std::int32_t frameCount) {
  return SequenceFileNames(baseName, frameCount, PictureFormat::Bmp);
}

std::vector<std::string> SequenceFileNames(const std::string &baseName, std::int32_t frameCount,
                                           PictureFormat format) {
  std::vector<std::string> names;
  for (std::int32_t n = 1; n <= frameCount; ++n)
    names.push_back(SequenceFileName(baseName, n, format));
  return names;
}

std::vector<std::string> SLXExportFileNames(const std::string &baseName, std::int32_t frameCount) {
  std::vector<std::string> names = {SLXIndexName(baseName)};
  for (std::int32_t n = 1; n <= frameCount; ++n) {
    SLXFrameFiles files = SLXFileNames(baseName, n);
    names.push_back(std::move(files.image));
    names.push_back(std::move(files.layerMap));
  }
  return names;
}

void ExportImageSequence(const std::string &spritePath, const std::string &baseName,
                         const PaletteTable &palette, const DisplayOptions &options,
                         const ExportProgress &progress) {
  ExportImageSequence(LoadSLPInfo(spritePath), baseName, palette, options, progress);
}

void ExportImageSequence(const SLPFile &sprite, const std::string &baseName,
                         const PaletteTable &palette, const DisplayOptions &options,
                         const ExportProgress &progress) {
  const UnionBox box = UnionOfFrames(sprite);
  CheckCanvas(box, sprite);
  // A broken frame is refused before the canvas, up to 256 MiB, is reserved for it.
  CheckAllFrameTables(sprite);
  cDIBSection canvas, image, layerMap;
  canvas.CreateOrFail(static_cast<std::int32_t>(box.width()),
                      static_cast<std::int32_t>(box.height()));
  CheckWritableTargets(PathsOf(SequenceFileNames(baseName, sprite.frameCount())), ErrorKind::Save);
  FileSet files(SavePictureErrors(), true);
  for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
    Report(progress, n, sprite.frameCount());
    const SLPFrameInfo &frame = sprite.frame(n);
    DecodeSLPFrame(sprite, frame, palette, image, layerMap, {}, KeyColours(options));
    FillCanvas(canvas, options.maskColour);
    PlaceFrame(canvas, image, -std::int64_t{frame.hotspotX} - box.minX,
               -std::int64_t{frame.hotspotY} - box.minY, options.maskColour);
    AddPictureTo(files, canvas, SequenceFileName(baseName, n));
  }
  files.Commit();
}

SequenceCanvas SequenceCanvasOf(const SLPFile &sprite) {
  const UnionBox box = UnionOfFrames(sprite);
  CheckCanvas(box, sprite);
  CheckAllFrameTables(sprite);
  SequenceCanvas canvas;
  canvas.minX = box.empty() ? 0 : box.minX;
  canvas.minY = box.empty() ? 0 : box.minY;
  canvas.width = static_cast<std::int32_t>(box.width());
  canvas.height = static_cast<std::int32_t>(box.height());
  return canvas;
}

void ExportImageSequencePNG(const SLPFile &sprite, const std::string &baseName,
                            const PaletteTable &palette, const DisplayOptions &options,
                            const ExportProgress &progress) {
  const UnionBox box = UnionOfFrames(sprite);
  CheckCanvas(box, sprite);
  CheckAllFrameTables(sprite);
  const std::vector<std::string> names =
      SequenceFileNames(baseName, sprite.frameCount(), PictureFormat::Png);
  CheckWritableTargets(PathsOf(names), ErrorKind::Save);
  FileSet files(SavePictureErrors(), true);
  for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
    Report(progress, n, sprite.frameCount());
    const SLPFrameInfo &frame = sprite.frame(n);
    RgbaImage canvas(static_cast<std::int32_t>(box.width()),
                     static_cast<std::int32_t>(box.height()));
    const RgbaImage pixels = RenderFrameRgba(sprite, n, palette, options);
    if (!pixels.empty())
      PlaceRgba(canvas, pixels, -std::int64_t{frame.hotspotX} - box.minX,
                -std::int64_t{frame.hotspotY} - box.minY);
    files.Add(PathOf(names[static_cast<std::size_t>(n - 1)]));
    files.Write(EncodePNG(canvas));
  }
  files.Commit();
}

void SaveFramePNG(const SLPFile &sprite, std::int32_t frameNumber, const PaletteTable &palette,
                  const DisplayOptions &options, const std::string &fileName) {
  const std::vector<std::uint8_t> bytes =
      EncodePNG(RenderFrameRgba(sprite, frameNumber, palette, options));
  FileSet file(SavePictureErrors(), true);
  file.Add(PathOf(fileName));
  file.Write(bytes);
  file.Commit();
}

void ExportSLX(const std::string &spritePath, const std::string &baseName,
               const PaletteTable &palette, const ExportProgress &progress) {
  ExportSLX(LoadSLPInfo(spritePath), baseName, palette, progress);
}

void ExportSLX(const SLPFile &sprite, const std::string &baseName, const PaletteTable &palette,
               const ExportProgress &progress) {
  std::string index = "SLX 0.5\r\n" + std::to_string(sprite.frameCount()) + "\r\n";
  cDIBSection image, layerMap;
  CheckWritableTargets(PathsOf(SLXExportFileNames(baseName, sprite.frameCount())), ErrorKind::Save);
  FileSet files(SavePictureErrors(), true);
  for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
    Report(progress, n, sprite.frameCount());
    const SLPFrameInfo &frame = sprite.frame(n);
    index += std::to_string(frame.hotspotX) + "," + std::to_string(frame.hotspotY) + "\r\n";
    DecodeSLPFrame(sprite, frame, palette, image, layerMap);
    const SLXFrameFiles names = SLXFileNames(baseName, n);
    AddPictureTo(files, image, names.image);
    AddPictureTo(files, layerMap, names.layerMap);
    index += NameOfPath(names.layerMap) + "\r\n" + NameOfPath(names.image) + "\r\n";
  }
  // The index goes last so that it never names a bitmap that is not there yet.
  files.Add(PathOf(SLXIndexName(baseName)));
  files.Write(index);
  files.Commit();
}

} // namespace tessary
