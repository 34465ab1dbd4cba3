#pragma once

#include "common/colour.hpp"
#include "surface/dib_section.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

namespace tessary {

// Eight pixels of one colour as three 64-bit words: the unit the hot loops move at once.
struct PixelGroup {
  std::uint64_t word[3];

  bool operator==(const PixelGroup &) const = default;
};

constexpr std::int64_t kGroupPixels = 8;
constexpr std::int64_t kGroupBytes = 24;

// The words hold the pixels' bytes in memory order, which is the words' order only on
// little-endian machines.
static_assert(std::endian::native == std::endian::little,
              "pixel groups are built for little-endian byte order");

// Built in registers: assembling the words from bytes stored one at a time would stall on
// reading back what was just written.
inline PixelGroup GroupOf(Colour colour) {
  const std::uint64_t bgr = BlueOf(colour) | (GreenOf(colour) << 8) | (RedOf(colour) << 16);
  return {{bgr | (bgr << 24) | (bgr << 48), (bgr >> 16) | (bgr << 8) | (bgr << 32) | (bgr << 56),
           (bgr >> 8) | (bgr << 16) | (bgr << 40)}};
}

// Word by word: a group is kept in three registers, and one 24-byte copy through memory would
// stall on reading back words just written.
inline PixelGroup LoadGroup(const std::uint8_t *p) {
  PixelGroup group;
  std::memcpy(&group.word[0], p, 8);
  std::memcpy(&group.word[1], p + 8, 8);
  std::memcpy(&group.word[2], p + 16, 8);
  return group;
}

inline void StoreGroup(std::uint8_t *p, std::uint64_t w0, std::uint64_t w1, std::uint64_t w2) {
  std::memcpy(p, &w0, 8);
  std::memcpy(p + 8, &w1, 8);
  std::memcpy(p + 16, &w2, 8);
}

inline void StoreGroup(std::uint8_t *p, const PixelGroup &group) {
  StoreGroup(p, group.word[0], group.word[1], group.word[2]);
}

// Writes n pixels of one colour at p (three bytes each, blue, green, red). The caller has
// clipped the run to its row; eight pixels go out per three word stores, so long runs cost
// about what a memset does.
inline void FillPixels(std::uint8_t *p, std::int64_t n, Colour colour) {
  if (n >= kGroupPixels) {
    const PixelGroup group = GroupOf(colour);
    const std::uint64_t w0 = group.word[0], w1 = group.word[1], w2 = group.word[2];
    for (; n >= kGroupPixels; n -= kGroupPixels, p += kGroupBytes)
      StoreGroup(p, w0, w1, w2);
  }
  for (; n > 0; --n, p += 3)
    StorePixel(p, colour);
}

} // namespace tessary
