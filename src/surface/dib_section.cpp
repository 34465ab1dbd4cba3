#include "surface/dib_section.hpp"

#include "common/error.hpp"
#include "surface/bmp_writer.hpp"

#include <algorithm>
#include <cstdint>
#include <new>

namespace tessary {

namespace {

// Width * 3 rounded up to a multiple of 4, in 64 bits so that no width overflows.
std::int64_t StrideFor(std::int32_t width) {
  return width <= 0 ? 0 : (std::int64_t{width} * 3 + 3) & ~std::int64_t{3};
}

// The largest storage whose BMP file size still fits the file header's signed 32-bit field, so
// every surface that can be made can also be saved.
constexpr std::int64_t kMaxStorageBytes = INT32_MAX - static_cast<std::int64_t>(kBmpHeadersSize);

BitmapInfoHeader HeaderFor(std::int32_t width, std::int32_t height) {
  BitmapInfoHeader header{};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = 0;
  return header;
}

} // namespace

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
  ClearUp();
  header_ = HeaderFor(lWidth, lHeight);
  const std::int64_t stride = StrideFor(lWidth);
  stride_ = stride <= kMaxStorageBytes ? static_cast<std::int32_t>(stride) : 0;
  if (lWidth <= 0 || lHeight <= 0 || stride > kMaxStorageBytes / lHeight)
    return false;
  const auto size = static_cast<std::size_t>(stride * lHeight);
  try {
    bits_.assign(size, 0);
  } catch (const std::bad_alloc &) {
    ClearUp();
    return false;
  }
  header_.biSizeImage = static_cast<std::uint32_t>(size);
  return true;
}

void cDIBSection::CreateOrFail(std::int32_t lWidth, std::int32_t lHeight) {
  if (Create(lWidth, lHeight) || lWidth <= 0 || lHeight <= 0)
    return;
  throw Error(ErrorKind::OutOfMemory, {},
              "no memory for a picture of " + std::to_string(lWidth) + " x " +
                  std::to_string(lHeight) + " pixels (" +
                  std::to_string(StrideFor(lWidth) * lHeight) + " bytes)");
}

void cDIBSection::ClearUp() {
  std::vector<std::uint8_t>().swap(bits_);
  // The size is kept, but the header must not promise pixel bytes that are gone.
  header_.biSizeImage = 0;
}

void cDIBSection::FillRow(std::int32_t x1, std::int32_t x2, std::int32_t y, Colour colour) {
  if (!IsCreated() || static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(Height()))
    return;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, Width() - 1);
  if (x1 > x2)
    return;
  std::uint8_t *p = RowBits(y) + 3 * static_cast<std::size_t>(x1);
  for (std::int32_t x = x1; x <= x2; ++x, p += 3)
    StorePixel(p, colour);
}

} // namespace tessary
