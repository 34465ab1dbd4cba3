#include "cli/picture_options.hpp"

#include "cli/commands.hpp"
#include "common/hex.hpp"
#include "common/paths.hpp"

#include <CLI/CLI.hpp>

#include <cctype>
#include <utility>

namespace tessary::cli {

namespace {

void SetColour(Colour &slot, const std::string &option, const std::optional<std::string> &word) {
  if (word)
    slot = ParseColour(option, *word);
}

bool IsDecimal(const std::string &word) {
  if (word.empty() || word.size() > 2)
    return false;
  for (const char c : word)
    if (c < '0' || c > '9')
      return false;
  return true;
}

} // namespace

Colour ParseColour(const std::string &option, const std::string &word) {
  const std::string digits = !word.empty() && word[0] == '#' ? word.substr(1) : word;
  unsigned value[6] = {};
  bool good = digits.size() == 6;
  for (std::size_t i = 0; good && i < 6; ++i) {
    const int digit = HexDigitValue(digits[i]);
    good = digit >= 0;
    if (good)
      value[i] = static_cast<unsigned>(digit);
  }
  if (!good)
    throw UsageError(option +
                     " must be a colour written as six hex digits RRGGBB (\"7f7f7f\", "
                     "\"#00FF00\"), not \"" +
                     word + "\"");
  return RGB(value[0] * 16 + value[1], value[2] * 16 + value[3], value[4] * 16 + value[5]);
}

std::int16_t ParsePlayer(const std::optional<std::string> &word) {
  if (!word)
    return 0;
  // At most two digits, so "08" is player 8 and no long run of digits overflows anything.
  const std::int32_t player = IsDecimal(*word) ? std::stoi(*word) : 0;
  if (player < kFirstPlayer || player > kLastPlayer)
    throw UsageError("--player must be a player from " + std::to_string(kFirstPlayer) + " to " +
                     std::to_string(kLastPlayer) + ", not \"" + *word + "\"");
  return static_cast<std::int16_t>(player - kFirstPlayer);
}

DisplayOptions ChosenOptions(const ColourWords &words) {
  DisplayOptions options;
  SetColour(options.maskColour, "--mask", words.mask);
  SetColour(options.shadowColour, "--shadow", words.shadow);
  SetColour(options.innerOutlineColour, "--inner", words.inner);
  SetColour(options.outerOutlineColour, "--outer", words.outer);
  options.playerIndex = ParsePlayer(words.player);
  return options;
}

PaletteTable ChosenPalette(const std::string &path) {
  PaletteTable table = DefaultPalette();
  if (!path.empty())
    LoadPalette(table, path);
  return table;
}

PictureFormat FormatOfName(const std::string &output) {
  const std::string name = NameOfPath(output);
  if (name.size() < 4)
    return PictureFormat::Bmp;
  std::string extension = name.substr(name.size() - 4);
  for (char &c : extension)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".png" ? PictureFormat::Png : PictureFormat::Bmp;
}

PictureFormat ChosenFormat(const std::optional<std::string> &format, PictureFormat byDefault,
                           const ColourWords &colours) {
  PictureFormat chosen = byDefault;
  if (format) {
    if (*format == "png")
      chosen = PictureFormat::Png;
    else if (*format == "bmp")
      chosen = PictureFormat::Bmp;
    else
      throw UsageError("--format must be bmp or png, not \"" + *format + "\"");
  }
  if (chosen == PictureFormat::Png) {
    const std::pair<const char *, const std::optional<std::string> *> layerColours[] = {
        {"--mask", &colours.mask},
        {"--shadow", &colours.shadow},
        {"--inner", &colours.inner},
        {"--outer", &colours.outer}};
    for (const auto &[option, word] : layerColours)
      if (*word)
        throw UsageError(std::string(option) +
                         " goes only with BMP output; PNG pictures keep those pixels "
                         "transparent or shaded");
  }
  return chosen;
}

void AddPaletteWord(CLI::App *sub, ColourWords &words) {
  sub->add_option("--palette", words.palette,
                  "A JASC-PAL palette file (default: the built-in palette)");
}

void AddColourWords(CLI::App *sub, ColourWords &words) {
  AddPaletteWord(sub, words);
  sub->add_option("--mask", words.mask, "Colour of transparent pixels, RRGGBB (default 000000)");
  sub->add_option("--shadow", words.shadow, "Colour of shadow pixels, RRGGBB (default 7f7f7f)");
  sub->add_option("--inner", words.inner,
                  "Colour of inner outline pixels, RRGGBB (default 0000ff)");
  sub->add_option("--outer", words.outer,
                  "Colour of outer outline pixels, RRGGBB (default ffff00)");
}

void AddPlayerWord(CLI::App *sub, ColourWords &words) {
  sub->add_option("--player", words.player,
                  "Draw the player-colour pixels in player P's colours, 1 to 8 (default 1)");
}

void AddFormatWord(CLI::App *sub, std::optional<std::string> &format) {
  sub->add_option("--format", format,
                  "bmp or png (default: png for an output name ending in .png, else bmp)");
}

} // namespace tessary::cli
