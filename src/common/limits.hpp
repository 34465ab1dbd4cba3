#pragma once

#include <cstddef>
#include <cstdint>

// Every size, count and file-length cap of the program, in one place: what the readers accept
// and what the writers produce must be the same set, or a file written here could not be read
// back here.
namespace tessary {

// Sprites. Rows are counted and the row tables indexed in 16 bits; the column counter is signed
// 16-bit; the frame loop counts in a signed 16-bit integer.
constexpr std::int32_t kMaxFrameRows = 8192;
constexpr std::int32_t kMaxFrameColumns = 32767;
constexpr std::int32_t kMaxFrameCount = 32767;

// The most pixel storage one picture (a frame surface or an export canvas) may take.
constexpr std::int64_t kMaxSurfaceBytes = std::int64_t{256} << 20;
// The widest and tallest export canvas: frames aligned on their hotspots.
constexpr std::int64_t kMaxCanvasSide = 32767;

// Bytes of one row of a 24-bit surface: three per pixel, padded to a multiple of four.
constexpr std::int64_t SurfaceStride(std::int64_t width) {
  return width <= 0 ? 0 : (width * 3 + 3) & ~std::int64_t{3};
}
// Whether a width x height 24-bit surface takes at most kMaxSurfaceBytes; always true when
// either side is 0 or less (such a surface has no storage). Divides rather than multiplies, so
// no pair of sides overflows.
constexpr bool FitsOneSurface(std::int64_t width, std::int64_t height) {
  return height <= 0 || SurfaceStride(width) <= kMaxSurfaceBytes / height;
}

// Real sprites are a few hundred kilobytes; the cap keeps a bogus file from being read into
// memory whole. The encoder writes nothing larger either.
constexpr std::int64_t kMaxSpriteFileBytes = std::int64_t{64} << 20;

// An SLX index: 32767 frames of three lines, each bitmap name well within a file name's length.
constexpr std::int64_t kMaxSLXFileBytes = std::int64_t{32} << 20;
// A frame bitmap holds at most one surface of pixels; its headers and any padding after the
// pixels are allowed a little more.
constexpr std::int64_t kMaxBitmapFileBytes = kMaxSurfaceBytes + (std::int64_t{1} << 20);
// All the frames one encode reads, image and layer map together, as decoded pixels (four bytes
// each): far beyond any real sprite, well below what would exhaust the machine.
constexpr std::int64_t kMaxEncodePixelBytes = std::int64_t{1} << 30;

// Archives. Table and entry counts are 16-bit; the window's list holds one line per table
// heading and per entry, and its count is 16-bit too.
constexpr std::int64_t kMaxArchiveTables = 32767;
constexpr std::int64_t kMaxArchiveEntries = 32767;
constexpr std::int64_t kMaxListLines = 32766;
// The copy buffer and the largest resource the 16-bit block counter lets through.
constexpr std::int64_t kCopyBlockSize = 1024;
constexpr std::int64_t kMaxExtractSize = 32767 * kCopyBlockSize + 1023; // 33554431

// A description file holds at most one short line per list line.
constexpr std::uint64_t kMaxDescriptionFileSize = 16 * 1024 * 1024;
// A palette file is a few kilobytes of text.
constexpr std::uint64_t kMaxPaletteFileBytes = 1u << 20;
// The game's registry value is read into this many characters, its end included; a longer value
// cannot be read at all (on Windows and from Wine's registry file alike).
constexpr std::size_t kRegistryValueChars = 1024;

} // namespace tessary
