#pragma once

#include "common/colour.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_decoder.hpp"
#include "surface/dib_section.hpp"

#include <cstdint>
#include <string>

namespace tessary {

// The colours in which the special layers are shown, and the player whose colours the player
// pixels take: a player pixel of stored index i shows palette entry (i + 16 x (playerIndex + 1))
// & 255, so the default, player 1, takes the entries from 16 up.
struct DisplayOptions {
  std::int16_t playerIndex = 0; // 0..7 for players 1..8
  Colour maskColour = 0x000000;
  Colour innerOutlineColour = 0xFF0000;
  Colour outerOutlineColour = 0x00FFFF;
  Colour shadowColour = 0x7F7F7F;
};

// Replaces image pixels whose layer-map code is map blue, shadow red, map yellow or key magenta
// with the matching DisplayOptions colour; other pixels stay. Both surfaces have equal size.
// The player pixels keep the colours they were decoded in: decode with KeyColours(options) so
// that they are the options' player's.
void Recolour(cDIBSection &image, const cDIBSection &layerMap, const DisplayOptions &options);

// The decoder colours that give the recoloured image directly (see LayerColours).
LayerColours ChosenColours(const DisplayOptions &options);

// The decoder's own key colours, which Recolour and the exports that read the decoded image
// look for, with the player pixels in the options' player's colours.
LayerColours KeyColours(const DisplayOptions &options);

// Loads the sprite, decodes frame frameNumber (1-based) and recolours it into `image`.
// Throws Error for an unreadable sprite or a frame number outside 1..frameCount.
struct RenderedFrame {
  std::int32_t frameCount = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool cancelled = false;
};
RenderedFrame RenderFrame(const std::string &spritePath, std::int32_t frameNumber,
                          const PaletteTable &palette, const DisplayOptions &options,
                          cDIBSection &image, const CancelPoll &cancel = {});
// The same for a sprite already loaded (from a file or out of an archive's bytes).
RenderedFrame RenderFrame(const SLPFile &sprite, std::int32_t frameNumber,
                          const PaletteTable &palette, const DisplayOptions &options,
                          cDIBSection &image, const CancelPoll &cancel = {});

// "Save as BMP": renders the frame and writes it with SavePicture. Throws Error on failure.
void SaveFrameBMP(const std::string &spritePath, std::int32_t frameNumber,
                  const PaletteTable &palette, const DisplayOptions &options,
                  const std::string &fileName, const CancelPoll &cancel = {});
void SaveFrameBMP(const SLPFile &sprite, std::int32_t frameNumber, const PaletteTable &palette,
                  const DisplayOptions &options, const std::string &fileName,
                  const CancelPoll &cancel = {});

} // namespace tessary
