#pragma once

#include "common/colour.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// Packs a colour reference into 3 BMP bytes (blue, green, red) and back.
inline void StorePixel(std::uint8_t *p, Colour c) {
  p[0] = static_cast<std::uint8_t>(c >> 16);
  p[1] = static_cast<std::uint8_t>(c >> 8);
  p[2] = static_cast<std::uint8_t>(c);
}
inline Colour LoadPixel(const std::uint8_t *p) {
  return static_cast<Colour>(p[2]) | (static_cast<Colour>(p[1]) << 8) |
         (static_cast<Colour>(p[0]) << 16);
}

// The 40-byte BITMAPINFOHEADER, in the order and widths of a BMP file.
struct BitmapInfoHeader {
  std::uint32_t biSize = 0;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

// An off-screen 24-bit bottom-up true-colour surface: the only image container of the program.
// Pixels are stored exactly as in a BMP file (blue, green, red; rows padded to 4 bytes with zero
// bytes; bottom row first), so the BMP writer writes the storage unchanged.
class cDIBSection {
public:
  cDIBSection() = default;

  // Releases any previous storage, then makes a zeroed surface of the given size. Returns false
  // (and leaves the surface empty but "sized": Width/Height report the request) when either side
  // is 0 or less or the storage would exceed what the header's 32-bit fields can describe.
  bool Create(std::int32_t lWidth, std::int32_t lHeight);
  // The same for a surface that must exist: when both sides are positive and the storage
  // cannot be had, throws Error(ErrorKind::OutOfMemory, detail naming the size) instead of leaving
  // the surface empty, so nothing goes on to draw into a picture that is not there.
  void CreateOrFail(std::int32_t lWidth, std::int32_t lHeight);
  // Releases the storage; the header keeps the last requested size (biSizeImage becomes 0).
  void ClearUp();

  std::int32_t Width() const { return header_.biWidth; }
  std::int32_t Height() const { return header_.biHeight; }
  // Width * 3 rounded up to a multiple of 4, from the last requested width; 0 for a width of 0
  // or less, or one whose rows could not be stored.
  std::int32_t BytesPerScanLine() const { return stride_; }
  bool IsCreated() const { return !bits_.empty(); }
  const BitmapInfoHeader &Header() const { return header_; }

  // The raw storage (bottom row first). Empty when the surface is not created.
  std::uint8_t *Bits() { return bits_.data(); }
  const std::uint8_t *Bits() const { return bits_.data(); }
  std::size_t BitsSize() const { return bits_.size(); }
  // First byte of row y (y = 0 is the top row); y must be inside the surface, whose stride is
  // never negative.
  std::uint8_t *RowBits(std::int32_t y) { return bits_.data() + RowOffset(y); }
  const std::uint8_t *RowBits(std::int32_t y) const { return bits_.data() + RowOffset(y); }

  // Sets one pixel; positions outside the surface (or an empty surface) are ignored.
  void SetPixel(std::int32_t x, std::int32_t y, Colour colour) {
    if (Contains(x, y))
      StorePixel(RowBits(y) + 3 * static_cast<std::size_t>(x), colour);
  }
  // Reads one pixel; outside the surface or on an empty surface: kInvalidColour.
  Colour GetPixel(std::int32_t x, std::int32_t y) const {
    return Contains(x, y) ? LoadPixel(RowBits(y) + 3 * static_cast<std::size_t>(x))
                          : kInvalidColour;
  }
  // Sets pixels x1..x2 of row y (both ends included), clipped to the surface; nothing when
  // x1 > x2.
  void FillRow(std::int32_t x1, std::int32_t x2, std::int32_t y, Colour colour);
  // Whether (x, y) is a pixel of a created surface.
  bool Contains(std::int32_t x, std::int32_t y) const {
    return IsCreated() && static_cast<std::uint32_t>(x) < static_cast<std::uint32_t>(Width()) &&
           static_cast<std::uint32_t>(y) < static_cast<std::uint32_t>(Height());
  }

  // Writes the surface as a 24-bit BMP file, replacing fileName only once the whole file has
  // been written (a failed write leaves no shortened file under that name). Throws
  // Error(ErrorKind::Save, fileName, fileName + ": " + ApiError(code), 17,
  // SavePictureErrorSource())
  // when the file cannot be created or written.
  void SavePicture(const std::string &sFileName) const;

private:
  std::size_t RowOffset(std::int32_t y) const {
    return static_cast<std::size_t>(Height() - 1 - y) * static_cast<std::size_t>(stride_);
  }

  BitmapInfoHeader header_{};
  std::int32_t stride_ = 0;
  std::vector<std::uint8_t> bits_;
};

} // namespace tessary
