#include "surface/bmp_writer.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "common/paths.hpp"
#include "common/system.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tessary {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint16_t kBmpMagic = 0x4D42; // "BM"

void StoreU32(std::uint8_t *p, std::uint32_t v) { StoreI32(p, static_cast<std::int32_t>(v)); }
void StoreU16(std::uint8_t *p, std::uint16_t v) { StoreI16(p, static_cast<std::int16_t>(v)); }

void StoreInfoHeader(std::uint8_t *p, const BitmapInfoHeader &h) {
  StoreU32(p + 0, h.biSize);
  StoreI32(p + 4, h.biWidth);
  StoreI32(p + 8, h.biHeight);
  StoreU16(p + 12, h.biPlanes);
  StoreU16(p + 14, h.biBitCount);
  StoreU32(p + 16, h.biCompression);
  StoreU32(p + 20, h.biSizeImage);
  StoreI32(p + 24, h.biXPelsPerMeter);
  StoreI32(p + 28, h.biYPelsPerMeter);
  StoreU32(p + 32, h.biClrUsed);
  StoreU32(p + 36, h.biClrImportant);
}

} // namespace

std::string ApiError(int e) { return e == 0 ? std::string() : std::system_category().message(e); }

bool WriteFailed(bool result, std::size_t requested, std::size_t written) {
  return !(result && requested == written);
}

std::array<std::uint8_t, kBmpHeadersSize> BmpHeaderBytes(const cDIBSection &surface) {
  const BitmapInfoHeader &info = surface.Header();
  std::array<std::uint8_t, kBmpHeadersSize> bytes{};
  StoreU16(bytes.data(), kBmpMagic);
  // The surface never holds more than a BMP file's 32-bit size field can count.
  StoreU32(bytes.data() + 2, static_cast<std::uint32_t>(kBmpHeadersSize + info.biSizeImage));
  StoreU32(bytes.data() + 10, static_cast<std::uint32_t>(kBmpHeadersSize));
  StoreInfoHeader(bytes.data() + kFileHeaderSize, info);
  return bytes;
}

std::vector<std::uint8_t> BmpFileBytes(const cDIBSection &surface) {
  const auto headers = BmpHeaderBytes(surface);
  std::vector<std::uint8_t> bytes(headers.size() + surface.BitsSize());
  std::copy(headers.begin(), headers.end(), bytes.begin());
  std::copy_n(surface.Bits(), surface.BitsSize(), bytes.begin() + headers.size());
  return bytes;
}

std::string SavePictureErrorSource() {
  static const std::string source = sys::ProgramName() + ".cDIBSection256";
  return source;
}

void AddPictureTo(FileSet &files, const cDIBSection &surface, const std::string &fileName) {
  files.Add(PathOf(fileName));
  files.Write(BmpHeaderBytes(surface));
  // The storage is already in the file's own layout.
  files.Write({surface.Bits(), surface.BitsSize()});
}

FileSet::Errors SavePictureErrors() {
  return {ErrorKind::Save, kSavePictureErrorNumber, SavePictureErrorSource()};
}

void cDIBSection::SavePicture(const std::string &sFileName) const {
  FileSet file(SavePictureErrors(), true);
  AddPictureTo(file, *this, sFileName);
  file.Commit();
}

} // namespace tessary
