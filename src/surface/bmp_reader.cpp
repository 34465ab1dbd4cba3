#include "surface/bmp_reader.hpp"
#include "common/paths.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "common/limits.hpp"

#include <algorithm>

namespace tessary {

namespace {

constexpr std::int64_t kFileHeaderSize = 14;
constexpr std::int64_t kInfoHeaderSize = 40;
// Everything ReadLayout looks at lies in the file header and the first 40 bytes of the
// information header.
constexpr std::int64_t kHeadersRead = kFileHeaderSize + kInfoHeaderSize;

struct BmpLayout {
  std::int64_t pixelOffset;
  std::int32_t width;
  std::int32_t height;
  std::int64_t stride;
};

// `in` holds at least the file's first kHeadersRead bytes (all of them when it is shorter);
// fileSize is the whole file's length.
BmpLayout ReadLayout(const ByteReader &in, std::int64_t fileSize, const std::string &name) {
  const auto fail = [&](const std::string &why) { in.fail(name + ": " + why); };
  if (fileSize < kHeadersRead)
    fail("the file is " + std::to_string(fileSize) +
         " bytes long, too short for a bitmap header (54 bytes)");
  if (in.i16At(0, "file type") != 0x4D42)
    fail("the file does not start with \"BM\"; it is no bitmap");
  const std::int64_t pixelOffset = static_cast<std::uint32_t>(in.i32At(10, "pixel offset"));
  const std::int64_t infoSize = static_cast<std::uint32_t>(in.i32At(14, "header size"));
  if (infoSize < kInfoHeaderSize || infoSize > fileSize - kFileHeaderSize)
    fail("information header of " + std::to_string(infoSize) + " bytes is not supported");
  const std::int32_t width = in.i32At(18, "width");
  const std::int32_t height = in.i32At(22, "height");
  const auto planes = static_cast<std::uint16_t>(in.i16At(26, "planes"));
  const auto bitCount = static_cast<std::uint16_t>(in.i16At(28, "bit count"));
  const auto compression = static_cast<std::uint32_t>(in.i32At(30, "compression"));
  if (planes != 1 || bitCount != 24)
    fail(std::to_string(bitCount) + "-bit bitmap with " + std::to_string(planes) +
         " planes; only 24-bit bitmaps are read");
  if (compression != 0)
    fail("compressed bitmap (compression " + std::to_string(compression) +
         "); only uncompressed bitmaps are read");
  if (height < 0)
    fail("top-down bitmap (negative height); only bottom-up bitmaps are read");
  if (width < 0)
    fail("negative width " + std::to_string(width));
  if (pixelOffset < kFileHeaderSize + infoSize)
    fail("pixel data offset " + std::to_string(pixelOffset) + " lies inside the headers");
  const std::int64_t stride = SurfaceStride(width);
  // stride * height passes 64 bits for a header claiming vast sides; no such bitmap fits in the
  // file, so that is found by division before anything is multiplied.
  if (height > 0 && stride > fileSize / height)
    fail(std::to_string(width) + " x " + std::to_string(height) +
         " pixels run past the end of the file (" + std::to_string(fileSize) + " bytes)");
  const std::int64_t pixelBytes = stride * height;
  if (pixelOffset > fileSize - pixelBytes)
    fail(std::to_string(width) + " x " + std::to_string(height) + " pixels need " +
         std::to_string(pixelBytes) + " bytes from offset " + std::to_string(pixelOffset) +
         ", past the end of the file (" + std::to_string(fileSize) + " bytes)");
  return {pixelOffset, width, height, stride};
}

} // namespace

BmpImage ParseBMP(std::span<const std::uint8_t> bytes, const std::string &name) {
  const ByteReader in(bytes, ErrorKind::BitmapRead, name);
  const BmpLayout layout = ReadLayout(in, static_cast<std::int64_t>(bytes.size()), name);
  BmpImage image;
  image.width = layout.width;
  image.height = layout.height;
  // ReadLayout refused negative sides.
  const auto width = static_cast<std::size_t>(layout.width);
  image.pixels.resize(width * static_cast<std::size_t>(layout.height));
  // A bitmap without columns has no pixels however many rows its header claims; walking two
  // billion empty rows would only stall the caller.
  const std::int32_t rows = layout.width > 0 ? layout.height : 0;
  for (std::int32_t y = 0; y < rows; ++y) {
    // Rows are stored bottom row first.
    const std::uint8_t *row =
        bytes.data() + layout.pixelOffset + (layout.height - 1 - y) * layout.stride;
    Colour *out = image.pixels.data() + static_cast<std::size_t>(y) * width;
    for (std::int32_t x = 0; x < layout.width; ++x)
      out[x] = RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
  return image;
}

BmpSize ReadBMPSize(const std::string &path) {
  const BoundedFile file(PathOf(path), ErrorKind::BitmapRead);
  std::uint8_t headers[kHeadersRead] = {};
  const auto fileSize = static_cast<std::int64_t>(file.size());
  const auto length = static_cast<std::size_t>(std::min(fileSize, kHeadersRead));
  file.readAt(0, {headers, length}, ErrorKind::BitmapRead);
  const BmpLayout layout =
      ReadLayout(ByteReader({headers, length}, ErrorKind::BitmapRead, path), fileSize, path);
  return {layout.width, layout.height};
}

BmpImage ReadBMP(const std::string &path) {
  // The headers are checked first, so a small sparse file claiming vast sides is refused
  // before anything of its size is read or reserved.
  const BmpSize size = ReadBMPSize(path);
  if (!FitsOneSurface(size.width, size.height))
    throw Error(ErrorKind::BitmapRead, path,
                path + ": " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                    " pixels are more than one picture of " +
                    std::to_string(kMaxSurfaceBytes >> 20) + " MiB holds");
  const std::string bytes = ReadWholeFile(
      PathOf(path), static_cast<std::uint64_t>(kMaxBitmapFileBytes), ErrorKind::BitmapRead);
  return ParseBMP({reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()}, path);
}

} // namespace tessary
