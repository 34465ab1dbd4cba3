#pragma once

#include "common/colour.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_records.hpp"
#include "surface/dib_section.hpp"

#include <cstdint>
#include <functional>

namespace tessary {

// Key and code colours the decoder writes.
constexpr Colour kKeyMagenta = 0xFF00FF; // transparent (both surfaces), outline (image)
constexpr Colour kMapWhite = 0xFFFFFF;   // layer map: ordinary palette pixels
constexpr Colour kMapGreen = 0x00FF00;   // layer map: player-colour pixels
constexpr Colour kShadowRed = 0x0000FF;  // shadow pixels in both surfaces
constexpr Colour kMapBlue = 0xFF0000;    // layer map: inner outline
constexpr Colour kMapYellow = 0x00FFFF;  // layer map: outer outline

// Polled before each row; returning true stops the decode (the Escape key in the window).
using CancelPoll = std::function<bool()>;

// Sets pixels x1..x2 of row y (both included) to colour; nothing when x1 > x2; clipped.
void FillSpan(cDIBSection &surface, std::int16_t x1, std::int16_t x2, std::int16_t y,
              Colour colour);

// The first palette entry of player playerIndex's colour ramp (0 is player 1, whose ramp starts
// at 16): a player pixel of stored index i is drawn as entry (i + PlayerRampStart(p)) & 255.
// Any index wraps round the 256 entries, so a value outside 0..7 still draws inside the palette.
constexpr unsigned PlayerRampStart(std::int32_t playerIndex) {
  return (16u * (static_cast<unsigned>(playerIndex) + 1u)) & 0xFFu;
}

// What the image surface receives for the four special layers, and whose colours the player
// pixels take. The defaults are the decoder's own key colours and player 1; the frame display
// passes its chosen colours instead, which gives in one pass exactly what decoding and then
// recolouring by the layer map gives.
struct LayerColours {
  Colour transparent = kKeyMagenta;
  Colour innerOutline = kKeyMagenta;
  Colour outerOutline = kKeyMagenta;
  Colour shadow = kShadowRed;
  std::int32_t playerIndex = 0; // 0..7 for players 1..8
};

// Throws Error(ErrorKind::SpriteRead, the sprite, detail) when the frame's row-edge table, a
// command-offset entry or a row's command offset lies outside sprite.bytes: what DecodeSLPFrame
// checks before it sizes anything, for callers that size something of their own first.
void CheckFrameTables(const SLPFile &sprite, const SLPFrameInfo &frame);

// Decodes one frame into `image` and `layerMap` (both re-created at the frame's size). Returns
// true when `cancel` stopped the decode, false when every row was decoded. Reads nothing outside
// sprite.bytes and writes nothing outside the surfaces: a row-edge table, a command-offset entry
// or a row's command offset outside the data throws Error(ErrorKind::SpriteRead, ...) before either
// surface is touched; a row whose commands run off the data's end stops there, its right margin
// undrawn.
bool DecodeSLPFrame(const SLPFile &sprite, const SLPFrameInfo &frame, const PaletteTable &palette,
                    cDIBSection &image, cDIBSection &layerMap, const CancelPoll &cancel = {},
                    const LayerColours &colours = {});

} // namespace tessary
