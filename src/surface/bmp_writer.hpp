#pragma once

#include "surface/dib_section.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

constexpr int kSavePictureErrorNumber = 17;

// The system's message text for an error code (strerror on POSIX); empty when it has none.
std::string ApiError(int e);

// False exactly when the write succeeded and wrote everything requested.
bool WriteFailed(bool result, std::size_t requested, std::size_t written);

// The complete BMP file bytes for a surface: 14-byte file header, the 40-byte info header
// verbatim, then the pixel storage.
std::vector<std::uint8_t> BmpFileBytes(const cDIBSection &surface);

// The source text of SavePicture errors: program name + ".cDIBSection256".
std::string SavePictureErrorSource();

} // namespace tessary
