#include "archive/extract.hpp"
#include "cli/commands.hpp"
#include "cli/output_checks.hpp"
#include "common/paths.hpp"
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

// The sprite must land on none of the files it is made from: the index, its bitmaps, the
// palette.
void RefuseWritingOntoInputs(const EncodeWords &words) {
  const std::vector<std::string> output = {words.output};
  RefuseWritingOnto(words.slxPath, kSLXIndexRole, output);
  const std::string folder = FolderOfPath(words.slxPath);
  const std::vector<SLXFrameEntry> entries = ReadSLXIndex(words.slxPath);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string frame = "frame " + std::to_string(i + 1) + "'s ";
    RefuseWritingOnto(folder + entries[i].layerName, frame + "layer-map bitmap", output);
    RefuseWritingOnto(folder + entries[i].imageName, frame + "image bitmap", output);
  }
  if (!words.palettePath.empty())
    RefuseWritingOnto(words.palettePath, kPaletteFileRole, output);
}

// Everything is read and encoded before the output is touched, so a refused pixel or an
// unreadable bitmap leaves no file behind.
void RunEncode(const EncodeWords &words) {
  RefuseFolderAsOutput(words.output);
  RefuseWritingOntoInputs(words);
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
