#include "archive/extract.hpp"
#include "cli/commands.hpp"
#include "cli/output_checks.hpp"
#include "common/paths.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_encoder.hpp"
#include "sprite/slx_reader.hpp"
#include "sprite/unpack_folder.hpp"

#include <CLI/CLI.hpp>

#include <cctype>
#include <memory>
#include <ostream>

namespace tessary::cli {

namespace {

struct EncodeWords {
  std::string slxPath; // an SLX index, or an unpack folder's sprite.json
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

// A name ending in .json (in any case) is an unpack folder's index; anything else an SLX index.
bool NamesUnpackIndex(const std::string &path) {
  const std::string name = NameOfPath(path);
  if (name.size() < 5)
    return false;
  std::string extension = name.substr(name.size() - 5);
  for (char &c : extension)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".json";
}

// The sprite must land on none of the files it is made from: the index, its pictures, the
// palette. The pictures' pixels need no palette: they are the indexes themselves.
void RunEncodeFolder(const EncodeWords &words) {
  const std::vector<std::string> output = {words.output};
  RefuseWritingOnto(words.slxPath, "the unpack folder's index", output);
  const UnpackIndex index = ReadUnpackIndex(words.slxPath);
  const std::vector<std::string> inputs = UnpackInputFiles(words.slxPath, index);
  for (std::size_t i = 1; i < inputs.size(); ++i)
    RefuseWritingOnto(inputs[i], "a picture of the unpack folder", output);
  if (!words.palettePath.empty()) {
    RefuseWritingOnto(words.palettePath, kPaletteFileRole, output);
    // Read for its faults alone, as with an SLX index: the pictures hold indexes, not colours.
    PaletteTable palette = DefaultPalette();
    LoadPalette(palette, words.palettePath);
  }
  const SpritePlanes planes = ReadUnpackFolder(words.slxPath);
  SaveSLP(words.output, EncodeSpritePlanes(planes));
}

// Everything is read and encoded before the output is touched, so a refused pixel or an
// unreadable bitmap leaves no file behind.
void RunEncode(const EncodeWords &words) {
  RefuseFolderAsOutput(words.output);
  if (NamesUnpackIndex(words.slxPath)) {
    RunEncodeFolder(words);
    return;
  }
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
      "encode", "Build an SLP sprite from an SLX index and its bitmaps (the way back from slx), "
                "or from an unpack folder's sprite.json and its pictures (the way back from "
                "unpack)");
  encode
      ->add_option("SLX", words->slxPath,
                   "NAME.slx, its bitmaps beside it, or FOLDER/sprite.json (any name ending "
                   "in .json), its pictures beside it")
      ->required();
  encode->add_option("-o,--output", words->output, "The sprite file to write (FILE.slp)")
      ->required();
  encode->add_option("--palette", words->palettePath,
                     "A JASC-PAL file the bitmaps were exported with (default: built-in)");
  encode->callback([words] { RunEncode(*words); });
}

} // namespace tessary::cli
