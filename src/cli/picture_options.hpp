#pragma once

#include "common/colour.hpp"
#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/exports.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace CLI {
class App;
}

// The words that choose how a call draws its pictures: the palette, the four layer colours, the
// player and the picture format. Every call that draws frames takes them the same way, so they
// are read here once.
namespace tessary::cli {

struct ColourWords {
  std::string palette;                                   // --palette FILE
  std::optional<std::string> mask, shadow, inner, outer; // RRGGBB words
  std::optional<std::string> player;                     // --player P, 1..8
};

constexpr std::int32_t kFirstPlayer = 1;
constexpr std::int32_t kLastPlayer = 8;

// "RRGGBB" or "#RRGGBB", either case, into a colour value (red in the low byte). Throws
// UsageError naming the option otherwise.
Colour ParseColour(const std::string &option, const std::string &word);

// The --player word, 1..8 in decimal, as the DisplayOptions player index 0..7; 0 (player 1)
// when not given. Throws UsageError for anything else.
std::int16_t ParsePlayer(const std::optional<std::string> &word);

// The display options the words give: each colour given replaces the window's start-up default,
// and the player the one given. Throws UsageError for a bad colour or player.
DisplayOptions ChosenOptions(const ColourWords &words);

// The built-in default palette, or the JASC-PAL file at path loaded as the window loads it.
PaletteTable ChosenPalette(const std::string &path);

// The picture format an output name asks for: ".png" in any case gives PNG, any other BMP.
PictureFormat FormatOfName(const std::string &output);

// --format when given, else byDefault. The four layer colours are drawn only into BMP files, so
// giving one with PNG output throws UsageError, as does a format other than bmp or png.
PictureFormat ChosenFormat(const std::optional<std::string> &format, PictureFormat byDefault,
                           const ColourWords &colours);

void AddPaletteWord(CLI::App *sub, ColourWords &words);
// --palette, --mask, --shadow, --inner and --outer.
void AddColourWords(CLI::App *sub, ColourWords &words);
void AddPlayerWord(CLI::App *sub, ColourWords &words);
void AddFormatWord(CLI::App *sub, std::optional<std::string> &format);

} // namespace tessary::cli
