#pragma once

#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/slp_records.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessary {

// Called before each frame of an export with the frame number (1-based) and the frame count.
using ExportProgress = std::function<void(std::int32_t frame, std::int32_t frameCount)>;

// The picture formats of frames and sequences.
enum class PictureFormat { Bmp, Png };

// The file of frame n (1-based) in an image sequence: baseName + PadNumber(n) + ".bmp" (or
// ".png" for PNG).
std::string SequenceFileName(const std::string &baseName, std::int32_t n);
std::string SequenceFileName(const std::string &baseName, std::int32_t n, PictureFormat format);

// The two bitmaps of frame n (1-based) in an SLX export: baseName + n + "c.bmp" (the image) and
// baseName + n + "d.bmp" (the layer map).
struct SLXFrameFiles {
  std::string image;
  std::string layerMap;
};
SLXFrameFiles SLXFileNames(const std::string &baseName, std::int32_t n);

// The index of an SLX export: baseName + ".slx".
std::string SLXIndexName(const std::string &baseName);

// Every file an export of frameCount frames writes, for checks made before writing any.
std::vector<std::string> SequenceFileNames(const std::string &baseName, std::int32_t frameCount);
std::vector<std::string> SequenceFileNames(const std::string &baseName, std::int32_t frameCount,
                                           PictureFormat format);
std::vector<std::string> SLXExportFileNames(const std::string &baseName, std::int32_t frameCount);

// The hotspot-aligned canvas of an image sequence: its size, and where a frame goes on it.
// Throws Error for a canvas too large to hold or a frame whose tables lie outside the sprite.
struct SequenceCanvas {
  std::int64_t minX = 0, minY = 0; // the canvas's top left corner, in hotspot coordinates
  std::int32_t width = 0, height = 0;
  std::int64_t left(const SLPFrameInfo &f) const { return -std::int64_t{f.hotspotX} - minX; }
  std::int64_t top(const SLPFrameInfo &f) const { return -std::int64_t{f.hotspotY} - minY; }
};
SequenceCanvas SequenceCanvasOf(const SLPFile &sprite);

// Writes every frame on one hotspot-aligned canvas as SequenceFileName(baseName, n).
// Transparent and outline pixels take options.maskColour and player pixels the colours of
// options.playerIndex; nothing else is recoloured. A frame with a width or height of 0 or less
// covers nothing: it does not widen the canvas and its file is the bare canvas in the mask
// colour.
// Throws Error on an unreadable sprite, a canvas too large to hold (more than 32767 pixels on a
// side or kMaxSurfaceBytes of storage) or a failed write. The files appear only once every
// frame has been written: a failed export leaves none of them behind.
void ExportImageSequence(const std::string &spritePath, const std::string &baseName,
                         const PaletteTable &palette, const DisplayOptions &options,
                         const ExportProgress &progress = {});
// The same for a sprite already loaded (from a file or out of an archive's bytes).
void ExportImageSequence(const SLPFile &sprite, const std::string &baseName,
                         const PaletteTable &palette, const DisplayOptions &options,
                         const ExportProgress &progress = {});

// The same sequence as RGBA PNG files, SequenceFileName(baseName, n, PictureFormat::Png): each
// frame's pixels as RenderFrameRgba gives them, canvas pixels it does not cover (0, 0, 0, 0). A
// canvas without pixels (no frame has any) gives one transparent pixel per file.
void ExportImageSequencePNG(const SLPFile &sprite, const std::string &baseName,
                            const PaletteTable &palette, const DisplayOptions &options,
                            const ExportProgress &progress = {});

// Frame frameNumber (1-based) as an RGBA PNG file; a frame without pixels gives one transparent
// pixel. Throws Error on an undecodable frame or a failed write.
void SaveFramePNG(const SLPFile &sprite, std::int32_t frameNumber, const PaletteTable &palette,
                  const DisplayOptions &options, const std::string &fileName);

// Writes SLXIndexName(baseName) (CR LF lines) and per frame the two SLXFileNames(baseName, n).
// A frame with a width or height of 0 or less gets its hotspot line and two bitmaps with no
// pixels. Throws Error on an unreadable sprite or a failed write;
// as with the image sequence, the files appear all together or not at all.
void ExportSLX(const std::string &spritePath, const std::string &baseName,
               const PaletteTable &palette, const ExportProgress &progress = {});
void ExportSLX(const SLPFile &sprite, const std::string &baseName, const PaletteTable &palette,
               const ExportProgress &progress = {});

} // namespace tessary
