#pragma once

#include "common/safe_write.hpp"
#include "surface/dib_section.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

constexpr int kSavePictureErrorNumber = 17;
// The 14-byte file header plus the 40-byte information header.
constexpr std::size_t kBmpHeadersSize = 54;

// The system's message text for an error code (strerror on POSIX); empty when it has none.
std::string ApiError(int e);

// False exactly when the write succeeded and wrote everything requested.
bool WriteFailed(bool result, std::size_t requested, std::size_t written);

// The two headers that precede the pixel storage in a BMP file of the surface.
std::array<std::uint8_t, kBmpHeadersSize> BmpHeaderBytes(const cDIBSection &surface);

// The complete BMP file bytes for a surface: 14-byte file header, the 40-byte info header
// verbatim, then the pixel storage.
std::vector<std::uint8_t> BmpFileBytes(const cDIBSection &surface);

// The source text of SavePicture errors: program name + ".cDIBSection256".
std::string SavePictureErrorSource();

// The errors SavePicture raises: "Error saving file!", number 17, SavePictureErrorSource().
FileSet::Errors SavePictureErrors();

// Adds the surface's BMP file to a set of files written together, as SavePicture writes it.
void AddPictureTo(FileSet &files, const cDIBSection &surface, const std::string &fileName);

} // namespace tessary
