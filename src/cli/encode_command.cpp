#include "cli/commands.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_encoder.hpp"
#include "sprite/slx_reader.hpp"

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

namespace tessary::cli {

namespace {

struct EncodeWords {
  std::string slxPath;
  std::string output;
  std::string palettePath;
};

// Everything is read and encoded before the output is touched, so a refused pixel or an
// unreadable bitmap leaves no file behind.
void RunEncode(const EncodeWords &words) {
  PaletteTable palette = DefaultPalette();
  if (!words.palettePath.empty())
    LoadPalette(palette, words.palettePath);
  const std::vector<EncoderFrame> frames = ReadSLX(words.slxPath);
  SaveSLP(words.output, EncodeSLP(frames, palette));
}

} // namespace

void AddEncodeCommand(CLI::App &app, Context &) {
  auto words = std::make_shared<EncodeWords>();
  CLI::App *encode = app.add_subcommand(
      "encode", "Build an SLP sprite from an SLX index and its bitmaps (the way back from slx)");
  encode->add_option("SLX", words->slxPath, "The SLX file; its bitmaps lie beside it")->required();
  encode->add_option("-o,--output", words->output, "The sprite file to write (FILE.slp)")
      ->required();
  encode->add_option("--palette", words->palettePath,
                     "A JASC-PAL file the bitmaps were exported with (default: built-in)");
  encode->callback([words] { RunEncode(*words); });
}

} // namespace tessary::cli
