#pragma once
// Reads the program's PNG files back with libpng itself, for tests that check their pixels.
#include "surface/rgba_image.hpp"

#include <gif_lib.h>
#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace tessary::test {

struct DecodedPng {
  bool ok = false;
  png_uint_32 storedFormat = 0; // the file's own format (PNG_FORMAT_FLAG_* bits)
  RgbaImage image;
};

// Decodes any PNG into 8-bit RGBA; ok is false (and the test fails) when libpng refuses it.
inline DecodedPng DecodePng(const std::vector<std::uint8_t> &bytes) {
  DecodedPng result;
  png_image description;
  std::memset(&description, 0, sizeof description);
  description.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&description, bytes.data(), bytes.size())) {
    ADD_FAILURE() << "libpng refused the file: " << description.message;
    return result;
  }
  result.storedFormat = description.format;
  description.format = PNG_FORMAT_RGBA;
  result.image = RgbaImage(static_cast<std::int32_t>(description.width),
                           static_cast<std::int32_t>(description.height));
  if (!png_image_finish_read(&description, nullptr, result.image.pixels.data(), 0, nullptr)) {
    ADD_FAILURE() << "libpng could not read the pixels: " << description.message;
    png_image_free(&description);
    return result;
  }
  result.ok = true;
  return result;
}

inline std::array<std::uint8_t, 4> PixelAt(const RgbaImage &image, std::int32_t x, std::int32_t y) {
  const std::uint8_t *p = image.pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}

inline bool IsPng(const std::vector<std::uint8_t> &bytes) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

// What a test reads back from an animated GIF with giflib.
struct DecodedGifFrame {
  std::int32_t delay = -1;       // hundredths of a second
  std::int32_t disposal = -1;    // DISPOSE_*
  std::int32_t transparent = -1; // the transparent index, or -1
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> indexes;
  std::vector<std::array<std::uint8_t, 3>> colours; // the frame's table (or the global one)
};
struct DecodedGif {
  bool ok = false;
  std::string version; // "GIF89a"
  std::int32_t width = 0, height = 0;
  std::int32_t loopCount = -1; // -1: no loop block
  std::vector<DecodedGifFrame> frames;
};

inline DecodedGif DecodeGif(const std::vector<std::uint8_t> &bytes) {
  struct Reader {
    const std::vector<std::uint8_t> *bytes;
    std::size_t at = 0;
  } reader{&bytes};
  DecodedGif result;
  if (bytes.size() >= 6)
    result.version.assign(bytes.begin(), bytes.begin() + 6);
  auto read = [](GifFileType *gif, GifByteType *to, int length) -> int {
    auto *r = static_cast<Reader *>(gif->UserData);
    const std::size_t n = std::min(static_cast<std::size_t>(length), r->bytes->size() - r->at);
    std::memcpy(to, r->bytes->data() + r->at, n);
    r->at += n;
    return static_cast<int>(n);
  };
  int code = 0;
  GifFileType *gif = DGifOpen(&reader, read, &code);
  if (!gif) {
    ADD_FAILURE() << "giflib refused the file: " << GifErrorString(code);
    return result;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    ADD_FAILURE() << "giflib could not read the file: " << GifErrorString(gif->Error);
    DGifCloseFile(gif, &code);
    return result;
  }
  result.width = gif->SWidth;
  result.height = gif->SHeight;
  // giflib keeps the blocks before an image with that image, the trailing ones with the file.
  auto findLoop = [&result](const ExtensionBlock *blocks, int count) {
    for (int i = 0; i + 1 < count; ++i) {
      const ExtensionBlock &block = blocks[i];
      const ExtensionBlock &next = blocks[i + 1];
      if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
          std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount == 3 &&
          next.Bytes[0] == 1)
        result.loopCount = next.Bytes[1] | (next.Bytes[2] << 8);
    }
  };
  findLoop(gif->ExtensionBlocks, gif->ExtensionBlockCount);
  if (gif->ImageCount > 0)
    findLoop(gif->SavedImages[0].ExtensionBlocks, gif->SavedImages[0].ExtensionBlockCount);
  for (int n = 0; n < gif->ImageCount; ++n) {
    const SavedImage &saved = gif->SavedImages[n];
    DecodedGifFrame frame;
    GraphicsControlBlock control;
    if (DGifSavedExtensionToGCB(gif, n, &control) == GIF_OK) {
      frame.delay = control.DelayTime;
      frame.disposal = control.DisposalMode;
      frame.transparent = control.TransparentColor;
    }
    frame.left = saved.ImageDesc.Left;
    frame.top = saved.ImageDesc.Top;
    frame.width = saved.ImageDesc.Width;
    frame.height = saved.ImageDesc.Height;
    frame.indexes.assign(saved.RasterBits,
                         saved.RasterBits + static_cast<std::size_t>(frame.width) *
                                                static_cast<std::size_t>(frame.height));
    const ColorMapObject *map =
        saved.ImageDesc.ColorMap ? saved.ImageDesc.ColorMap : gif->SColorMap;
    for (int i = 0; map && i < map->ColorCount; ++i)
      frame.colours.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    result.frames.push_back(std::move(frame));
  }
  DGifCloseFile(gif, &code);
  result.ok = true;
  return result;
}

// The colour a decoded GIF frame shows at (x, y), or nullopt where it is transparent.
inline std::optional<std::array<std::uint8_t, 3>> GifPixel(const DecodedGifFrame &frame,
                                                           std::int32_t x, std::int32_t y) {
  const std::uint8_t index =
      frame.indexes[static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
                    static_cast<std::size_t>(x)];
  if (index == frame.transparent)
    return std::nullopt;
  return frame.colours.at(index);
}

} // namespace tessary::test
