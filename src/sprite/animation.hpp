#pragma once

#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/slp_records.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

constexpr std::int32_t kMinAnimationFps = 1;
constexpr std::int32_t kMaxAnimationFps = 50;
constexpr std::int32_t kDefaultAnimationFps = 10; // the window's 100 ms step

// Each frame's time on screen at fps frames per second: round(100 / fps) hundredths.
std::int32_t FrameDelayHundredths(std::int32_t fps);

// Every frame as one looping GIF89a on the hotspot-aligned canvas of the image sequence.
// Transparent, outline and undrawn pixels, and the canvas a frame does not cover, are the
// transparent colour; shadow pixels take options.shadowColour, colour and player pixels their
// palette colours (the player pixels options.playerIndex's). Throws Error naming the frame when
// one needs more than 255 colours besides the transparent one, and Error for an undecodable
// sprite or a canvas too large.
std::vector<std::uint8_t> EncodeAnimation(const SLPFile &sprite, const PaletteTable &palette,
                                          const DisplayOptions &options, std::int32_t fps);

// Writes EncodeAnimation's file to fileName; nothing is written when it fails.
void ExportAnimation(const SLPFile &sprite, const std::string &fileName,
                     const PaletteTable &palette, const DisplayOptions &options, std::int32_t fps);

} // namespace tessary
