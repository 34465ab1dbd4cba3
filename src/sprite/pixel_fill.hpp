#pragma once

#include "common/colour.hpp"
#include "surface/dib_section.hpp"

#include <cstdint>
#include <cstring>

namespace tessary {

// Writes n pixels of one colour at p (three bytes each, blue, green, red). The caller has
// clipped the run to its row. Four pixels go out per 12-byte store so long runs cost about
// what a memset does.
inline void FillPixels(std::uint8_t *p, std::int64_t n, Colour colour) {
  if (n <= 0)
    return;
  std::uint8_t pattern[12];
  for (int k = 0; k < 4; ++k)
    StorePixel(pattern + 3 * k, colour);
  for (; n >= 4; n -= 4, p += 12)
    std::memcpy(p, pattern, 12);
  for (; n > 0; --n, p += 3)
    std::memcpy(p, pattern, 3);
}

} // namespace tessary
