#pragma once

#include <cstdint>

namespace tessary {

// A colour reference: red in bits 0-7, green in bits 8-15, blue in bits 16-23, top byte zero.
// Palette entries, display options, key colours and surface pixels all use this form.
using Colour = std::uint32_t;

constexpr Colour RGB(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned RedOf(Colour c) { return c & 0xFFu; }
constexpr unsigned GreenOf(Colour c) { return (c >> 8) & 0xFFu; }
constexpr unsigned BlueOf(Colour c) { return (c >> 16) & 0xFFu; }

// What reading outside a surface (or from an empty one) yields; equals no colour ever written.
constexpr Colour kInvalidColour = 0xFFFFFFFFu;

} // namespace tessary
