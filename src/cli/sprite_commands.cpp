#include "cli/archive_commands.hpp"
#include "cli/commands.hpp"

#include "archive/extract.hpp"
#include "common/error.hpp"
#include "common/hex.hpp"
#include "common/paths.hpp"
#include "common/temporary_folder.hpp"
#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/exports.hpp"
#include "sprite/slp_loader.hpp"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessary::cli {

namespace fs = std::filesystem;

namespace {

// ----- the sprite a call names -----

struct SpriteWords {
  std::string archive, id; // ARCHIVE ID
  std::string slp;         // --slp FILE
};

// The sprite file a call works on: the loose file itself, or a private copy of the archive's
// entry that goes when the call ends.
class SpriteSource {
public:
  explicit SpriteSource(const SpriteWords &words) {
    const bool fromArchive = !words.archive.empty();
    if (fromArchive == !words.slp.empty())
      throw UsageError("name the sprite either as ARCHIVE ID or with --slp FILE");
    input_ = fromArchive ? words.archive : words.slp;
    if (!fromArchive) {
      path_ = words.slp;
      return;
    }
    if (words.id.empty())
      throw UsageError("a sprite in an archive is named by two words, ARCHIVE ID; ID is missing");
    const std::int32_t id = ParseResourceId(words.id);
    // No --force here: an archive with a wrong header text is refused.
    const OpenedArchive archive = OpenArchive(words.archive, false);
    const std::size_t line = FindEntryLine(archive, id);
    folder_.emplace(fs::temp_directory_path(), "tessary-cli-", kSaveErrorText);
    path_ = folder_->file(std::to_string(id) + ".slp");
    entryName_ = "resource " + std::to_string(id) + " of " + words.archive;
    ExtractResource(archive.file, path_, archive.contents.files[line], {});
  }
  const std::string &path() const { return path_; }

  // Runs a step on the sprite. The private copy of an archive's entry is gone by the time the
  // user reads a message, so an error that names it names the archive entry instead.
  template <typename Step> void run(Step &&step) const {
    try {
      step();
    } catch (const Error &e) {
      if (!folder_ || e.detail().find(path_) == std::string::npos)
        throw;
      throw Error(e.message(), Renamed(e.detail()), e.number(), e.source());
    }
  }

  // Writing any of outputs would overwrite the archive or loose sprite the call reads.
  void refuseWritingOnto(const std::vector<std::string> &outputs) const {
    RefuseWritingOnto(input_, folder_ ? kOpenArchiveRole : "the sprite file", outputs);
  }

private:
  std::string Renamed(std::string detail) const {
    for (auto at = detail.find(path_); at != std::string::npos;
         at = detail.find(path_, at + entryName_.size()))
      detail.replace(at, path_.size(), entryName_);
    return detail;
  }

  std::optional<TemporaryFolder> folder_;
  std::string input_;
  std::string path_;
  std::string entryName_;
};

void AddSpriteWords(CLI::App *sub, SpriteWords &words) {
  sub->add_option("ARCHIVE", words.archive, "The archive holding the sprite");
  sub->add_option("ID", words.id, "The sprite's resource identifier, in decimal");
  sub->add_option("--slp", words.slp, "A loose sprite file instead of ARCHIVE ID");
}

// ----- colours -----

struct ColourWords {
  std::string palette;
  std::optional<std::string> mask, shadow, inner, outer;
};

// "RRGGBB" or "#RRGGBB", either case, into a colour value (red in the low byte).
Colour ParseColour(const std::string &option, const std::string &word) {
  const std::string digits = !word.empty() && word[0] == '#' ? word.substr(1) : word;
  int value[6];
  bool good = digits.size() == 6;
  for (std::size_t i = 0; good && i < 6; ++i)
    good = (value[i] = HexDigitValue(digits[i])) >= 0;
  if (!good)
    throw UsageError(option +
                     " must be a colour written as six hex digits RRGGBB (\"7f7f7f\", "
                     "\"#00FF00\"), not \"" +
                     word + "\"");
  return RGB(value[0] * 16 + value[1], value[2] * 16 + value[3], value[4] * 16 + value[5]);
}

void SetColour(Colour &slot, const std::string &option, const std::optional<std::string> &word) {
  if (word)
    slot = ParseColour(option, *word);
}

DisplayOptions ChosenOptions(const ColourWords &words) {
  DisplayOptions options;
  SetColour(options.maskColour, "--mask", words.mask);
  SetColour(options.shadowColour, "--shadow", words.shadow);
  SetColour(options.innerOutlineColour, "--inner", words.inner);
  SetColour(options.outerOutlineColour, "--outer", words.outer);
  return options;
}

PaletteTable ChosenPalette(const std::string &path) {
  PaletteTable table = DefaultPalette();
  if (!path.empty())
    LoadPalette(table, path);
  return table;
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

// ----- frame -----

struct FrameCall {
  SpriteWords sprite;
  ColourWords colours;
  std::int32_t frame = 1;
  std::string output;
};

void RunFrame(const FrameCall &call) {
  // Words first, so a bad colour is reported before any file is read.
  const DisplayOptions options = ChosenOptions(call.colours);
  const SpriteSource source(call.sprite);
  const PaletteTable palette = ChosenPalette(call.colours.palette);
  source.run([&] {
    const std::int32_t count = LoadSLPInfo(source.path()).frameCount();
    if (call.frame < 1 || call.frame > count)
      throw UsageError("--frame must be from 1 to " + std::to_string(count) + ", not " +
                       std::to_string(call.frame));
    source.refuseWritingOnto({call.output});
    SaveFrameBMP(source.path(), call.frame, palette, options, call.output);
  });
}

void AddFrame(CLI::App &app) {
  auto call = std::make_shared<FrameCall>();
  auto *sub = app.add_subcommand("frame", "Save one frame of a sprite as a 24-bit BMP file");
  sub->footer("SPRITE is ARCHIVE ID or --slp FILE. The frame is recoloured with the chosen "
              "colours exactly as the window's \"Save as BMP\" writes it.\n");
  AddSpriteWords(sub, call->sprite);
  sub->add_option("--frame", call->frame, "The frame, counted from 1 (default 1)");
  sub->add_option("-o,--output", call->output, "The BMP file to write")->required();
  AddColourWords(sub, call->colours);
  sub->callback([call] { RunFrame(*call); });
}

// ----- sequence -----

struct SequenceCall {
  SpriteWords sprite;
  ColourWords colours;
  std::string output;
};

void RunSequence(const SequenceCall &call) {
  const DisplayOptions options = ChosenOptions(call.colours);
  const SpriteSource source(call.sprite);
  const PaletteTable palette = ChosenPalette(call.colours.palette);
  const std::string base = BaseNameOfPath(call.output);
  source.run([&] {
    const std::int32_t count = LoadSLPInfo(source.path()).frameCount();
    source.refuseWritingOnto(SequenceFileNames(base, count));
    ExportImageSequence(source.path(), base, palette, options);
  });
}

void AddSequence(CLI::App &app) {
  auto call = std::make_shared<SequenceCall>();
  auto *sub = app.add_subcommand(
      "sequence", "Save every frame of a sprite, aligned on the hotspots, as numbered BMP files");
  sub->footer("SPRITE is ARCHIVE ID or --slp FILE. -o walk.bmp writes walk001.bmp, "
              "walk002.bmp, ... Transparent and outline pixels take the --mask colour; the "
              "other colours do not apply. If any frame cannot be written, no file is.\n");
  AddSpriteWords(sub, call->sprite);
  sub->add_option("-o,--output", call->output, "BASE.bmp: the name the numbers are added to")
      ->required();
  AddColourWords(sub, call->colours);
  sub->callback([call] { RunSequence(*call); });
}

// ----- slx -----

struct SlxCall {
  SpriteWords sprite;
  ColourWords colours; // the palette only
  std::string output;
};

void RunSlx(const SlxCall &call) {
  const SpriteSource source(call.sprite);
  const PaletteTable palette = ChosenPalette(call.colours.palette);
  const std::string base = BaseNameOfPath(call.output);
  source.run([&] {
    const std::int32_t count = LoadSLPInfo(source.path()).frameCount();
    source.refuseWritingOnto(SLXExportFileNames(base, count));
    ExportSLX(source.path(), base, palette);
  });
}

void AddSlx(CLI::App &app) {
  auto call = std::make_shared<SlxCall>();
  auto *sub = app.add_subcommand(
      "slx", "Export a sprite as an SLX index with an image and a layer-map BMP per frame");
  sub->footer("SPRITE is ARCHIVE ID or --slp FILE. -o walk.slx writes walk.slx, walk1c.bmp, "
              "walk1d.bmp, walk2c.bmp, ... If any file cannot be written, none is.\n");
  AddSpriteWords(sub, call->sprite);
  sub->add_option("-o,--output", call->output, "NAME.slx: the index to write")->required();
  AddPaletteWord(sub, call->colours);
  sub->callback([call] { RunSlx(*call); });
}

} // namespace

void AddSpriteCommands(CLI::App &app, Context &) {
  AddFrame(app);
  AddSequence(app);
  AddSlx(app);
}

} // namespace tessary::cli
