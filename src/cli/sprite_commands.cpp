#include "cli/archive_commands.hpp"
#include "cli/commands.hpp"

#include "archive/extract.hpp"
#include "archive/read_archive.hpp"
#include "cli/created_folders.hpp"
#include "cli/output_checks.hpp"
#include "cli/picture_options.hpp"
#include "common/error.hpp"
#include "common/paths.hpp"
#include "palette/palette.hpp"
#include "sprite/animation.hpp"
#include "sprite/display_options.hpp"
#include "sprite/exports.hpp"
#include "sprite/sheet.hpp"
#include "sprite/slp_loader.hpp"
#include "sprite/unpack.hpp"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessary::cli {

namespace {

// ----- the sprite a call names -----

struct SpriteWords {
  std::string archive, id; // ARCHIVE ID
  std::string slp;         // --slp FILE
};

// The sprite a call works on, loaded whole: the loose file, or the archive's entry read straight
// out of the archive's bytes (no copy of it is ever written anywhere).
class SpriteSource {
public:
  explicit SpriteSource(const SpriteWords &words) {
    const bool fromArchive = !words.archive.empty();
    if (fromArchive == !words.slp.empty())
      throw UsageError("name the sprite either as ARCHIVE ID or with --slp FILE");
    input_ = fromArchive ? words.archive : words.slp;
    if (!fromArchive) {
      role_ = "the sprite file";
      sprite_ = LoadSLPInfo(words.slp);
      return;
    }
    if (words.id.empty())
      throw UsageError("a sprite in an archive is named by two words, ARCHIVE ID; ID is missing");
    const std::int32_t id = ParseResourceId(words.id);
    // No --force here: an archive with a wrong header text is refused.
    const OpenedArchive archive = OpenArchive(words.archive, false);
    const std::size_t line = FindEntryLine(archive, id);
    role_ = kOpenArchiveRole;
    sprite_ = ParseSLP(
        ReadResource(archive.file, archive.contents.lines[line].entry, ErrorKind::ArchiveRead),
        "resource " + std::to_string(id) + " of " + words.archive);
  }
  const SLPFile &sprite() const { return sprite_; }

  // Writing any of outputs would overwrite the archive or loose sprite the call reads.
  void refuseWritingOnto(const std::vector<std::string> &outputs) const {
    RefuseWritingOnto(input_, role_, outputs);
  }

private:
  SLPFile sprite_;
  std::string input_;
  std::string role_;
};

void AddSpriteWords(CLI::App *sub, SpriteWords &words) {
  sub->add_option("ARCHIVE", words.archive, "The archive holding the sprite");
  sub->add_option("ID", words.id, "The sprite's resource identifier, in decimal");
  sub->add_option("--slp", words.slp, "A loose sprite file instead of ARCHIVE ID");
}

// ----- outputs -----

// Every check that an output lands on no file the call reads: the sprite's file or archive, and
// the palette.
void RefuseWritingOntoInputs(const SpriteSource &source, const ColourWords &colours,
                             const std::vector<std::string> &outputs) {
  source.refuseWritingOnto(outputs);
  if (!colours.palette.empty())
    RefuseWritingOnto(colours.palette, kPaletteFileRole, outputs);
}

// ----- frame -----

struct FrameCall {
  SpriteWords sprite;
  ColourWords colours;
  std::optional<std::string> format;
  std::int32_t frame = 1;
  std::string output;
};

void RunFrame(const FrameCall &call) {
  // Words first, so a bad colour is reported before any file is read.
  const DisplayOptions options = ChosenOptions(call.colours);
  const PictureFormat format = ChosenFormat(call.format, FormatOfName(call.output), call.colours);
  const SpriteSource source(call.sprite);
  const PaletteTable palette = ChosenPalette(call.colours.palette);
  const std::int32_t count = source.sprite().frameCount();
  if (call.frame < 1 || call.frame > count)
    throw UsageError("--frame must be from 1 to " + std::to_string(count) + ", not " +
                     std::to_string(call.frame));
  RefuseFolderAsOutput(call.output);
  RefuseWritingOntoInputs(source, call.colours, {call.output});
  if (format == PictureFormat::Png)
    SaveFramePNG(source.sprite(), call.frame, palette, options, call.output);
  else
    SaveFrameBMP(source.sprite(), call.frame, palette, options, call.output);
}

void AddFrame(CLI::App &app) {
  auto call = std::make_shared<FrameCall>();
  auto *sub =
      app.add_subcommand("frame", "Save one frame of a sprite as a 24-bit BMP or an RGBA PNG file");
  sub->footer("SPRITE is ARCHIVE ID or --slp FILE. A BMP is recoloured with the chosen "
              "colours exactly as the window's \"Save as BMP\" writes it; a PNG keeps "
              "transparent and outline pixels transparent and shadows half-transparent black.\n");
  AddSpriteWords(sub, call->sprite);
  sub->add_option("--frame", call->frame, "The frame, counted from 1 (default 1)");
  sub->add_option("-o,--output", call->output, "The BMP or PNG file to write")->required();
  AddFormatWord(sub, call->format);
  AddColourWords(sub, call->colours);
  AddPlayerWord(sub, call->colours);
  sub->callback([call] { RunFrame(*call); });
}

// ----- sequence -----

struct SequenceCall {
  SpriteWords sprite;
  ColourWords colours;
  std::optional<std::string> format;
  std::string output;
};

void RunSequence(const SequenceCall &call) {
  const DisplayOptions options = ChosenOptions(call.colours);
  const PictureFormat format = ChosenFormat(call.format, FormatOfName(call.output), call.colours);
  const SpriteSource source(call.sprite);
  const PaletteTable palette = ChosenPalette(call.colours.palette);
  const std::string base = BaseNameOfPath(call.output);
  RefuseWritingOntoInputs(source, call.colours,
                          SequenceFileNames(base, source.sprite().frameCount(), format));
  if (format == PictureFormat::Png)
    ExportImageSequencePNG(source.sprite(), base, palette, options);
  else
    ExportImageSequence(source.sprite(), base, palette, options);
}

void AddSequence(CLI::App &app) {
  auto call = std::make_shared<SequenceCall>();
  auto *sub = app.add_subcommand(
      "sequence",
      "Save every frame of a sprite, aligned on the hotspots, as numbered BMP or PNG files");
  sub->footer("SPRITE is ARCHIVE ID or --slp FILE. -o walk.bmp writes walk001.bmp, "
              "walk002.bmp, ..., -o walk.png walk001.png, ... In BMP files transparent and "
              "outline pixels take the --mask colour; the other colours do not apply. In PNG "
              "files they, and the canvas a frame does not cover, are transparent. If any frame "
              "cannot be written, no file is.\n");
  AddSpriteWords(sub, call->sprite);
  sub->add_option("-o,--output", call->output,
                  "BASE.bmp or BASE.png: the name the numbers are added to")
      ->required();
  AddFormatWord(sub, call->format);
  AddColourWords(sub, call->colours);
  AddPlayerWord(sub, call->colours);
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
  RefuseWritingOntoInputs(source, call.colours,
                          SLXExportFileNames(base, source.sprite().frameCount()));
  ExportSLX(source.sprite(), base, palette);
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

// ----- sheet -----

struct SheetCall {
  SpriteWords sprite;
  ColourWords colours; // the palette and the player
  std::string output;
};

void RunSheet(const SheetCall &call) {
  const DisplayOptions options = ChosenOptions(call.colours);
  const SpriteSource source(call.sprite);
  const PaletteTable palette = ChosenPalette(call.colours.palette);
  RefuseFolderAsOutput(call.output);
  RefuseWritingOntoInputs(source, call.colours, {call.output, SheetJsonName(call.output)});
  ExportSheet(source.sprite(), call.output, palette, options);
}

void AddSheet(CLI::App &app) {
  auto call = std::make_shared<SheetCall>();
  auto *sub = app.add_subcommand(
      "sheet", "Save every frame of a sprite side by side in one RGBA PNG, with a JSON index");
  sub->footer("SPRITE is ARCHIVE ID or --slp FILE. -o walk.png writes walk.png, the frames left "
              "to right, top-aligned, and walk.json, each frame's rectangle and hotspot. If "
              "either cannot be written, neither is.\n");
  AddSpriteWords(sub, call->sprite);
  sub->add_option("-o,--output", call->output, "NAME.png: the sheet to write")->required();
  AddPaletteWord(sub, call->colours);
  AddPlayerWord(sub, call->colours);
  sub->callback([call] { RunSheet(*call); });
}

// ----- anim -----

struct AnimCall {
  SpriteWords sprite;
  ColourWords colours; // the palette, the shadow and the player
  std::int32_t fps = kDefaultAnimationFps;
  std::string output;
};

void RunAnim(const AnimCall &call) {
  const DisplayOptions options = ChosenOptions(call.colours);
  if (call.fps < kMinAnimationFps || call.fps > kMaxAnimationFps)
    throw UsageError("--fps must be a whole number from " + std::to_string(kMinAnimationFps) +
                     " to " + std::to_string(kMaxAnimationFps) + ", not " +
                     std::to_string(call.fps));
  const SpriteSource source(call.sprite);
  const PaletteTable palette = ChosenPalette(call.colours.palette);
  RefuseFolderAsOutput(call.output);
  RefuseWritingOntoInputs(source, call.colours, {call.output});
  ExportAnimation(source.sprite(), call.output, palette, options, call.fps);
}

void AddAnim(CLI::App &app) {
  auto call = std::make_shared<AnimCall>();
  auto *sub = app.add_subcommand(
      "anim", "Save every frame of a sprite, aligned on the hotspots, as a looping GIF");
  sub->footer("SPRITE is ARCHIVE ID or --slp FILE. Transparent and outline pixels are "
              "transparent, shadow pixels take the --shadow colour.\n");
  AddSpriteWords(sub, call->sprite);
  sub->add_option("-o,--output", call->output, "NAME.gif: the animation to write")->required();
  sub->add_option("--fps", call->fps, "Frames per second, 1 to 50 (default 10)");
  AddPaletteWord(sub, call->colours);
  sub->add_option("--shadow", call->colours.shadow,
                  "Colour of shadow pixels, RRGGBB (default 7f7f7f)");
  AddPlayerWord(sub, call->colours);
  sub->callback([call] { RunAnim(*call); });
}

// ----- unpack -----

struct UnpackCall {
  SpriteWords sprite;
  ColourWords colours; // the palette only
  std::string output;
};

void RunUnpack(const UnpackCall &call) {
  const SpriteSource source(call.sprite);
  const PaletteTable palette = ChosenPalette(call.colours.palette);
  RefuseWritingOntoInputs(source, call.colours,
                          UnpackFileNames(call.output, source.sprite().frames));
  CreatedFolders folder(PathOf(call.output));
  ExportUnpacked(source.sprite(), call.output, palette);
  folder.keep();
}

void AddUnpack(CLI::App &app) {
  auto call = std::make_shared<UnpackCall>();
  auto *sub = app.add_subcommand(
      "unpack", "Write a sprite as a folder of editable pictures that encode turns back into it");
  sub->footer("SPRITE is ARCHIVE ID or --slp FILE. FOLDER gets sprite.json (the header and "
              "every frame's size, hotspot and pictures) and per frame NNN.png, the palette "
              "indexes as an 8-bit palette PNG, and NNN.layers.png, each pixel's layer as an "
              "8-bit grey PNG: 0 transparent, 1 colour, 2 player colour, 3 shadow, 4 inner "
              "outline, 5 outer outline, 6 not drawn. If any file cannot be written, none is.\n");
  AddSpriteWords(sub, call->sprite);
  sub->add_option("-o,--output", call->output, "FOLDER: where the files go (made if missing)")
      ->required();
  AddPaletteWord(sub, call->colours);
  sub->callback([call] { RunUnpack(*call); });
}

} // namespace

void AddSpriteCommands(CLI::App &app, Context &) {
  AddFrame(app);
  AddSequence(app);
  AddSlx(app);
  AddSheet(app);
  AddAnim(app);
  AddUnpack(app);
}

} // namespace tessary::cli
