#include "cli/commands.hpp"

#include "cli/picture_options.hpp"
#include "cli/render_all.hpp"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace tessary::cli {

namespace {

constexpr unsigned kMaxJobs = 256;

struct RenderAllCall {
  std::string archive;
  std::string folder;
  std::optional<std::string> format;
  std::optional<std::string> jobs;
  ColourWords colours;
  bool force = false;
};

unsigned ParseJobs(const std::optional<std::string> &word) {
  if (!word)
    return 0;
  unsigned jobs = 0;
  bool good = !word->empty() && word->size() <= 3;
  for (const char c : *word) {
    good = good && c >= '0' && c <= '9';
    if (good)
      jobs = jobs * 10 + static_cast<unsigned>(c - '0');
  }
  if (!good || jobs < 1 || jobs > kMaxJobs)
    throw UsageError("--jobs must be a number of workers from 1 to " + std::to_string(kMaxJobs) +
                     ", not \"" + *word + "\"");
  return jobs;
}

void RunRenderAll(const RenderAllCall &call, Context &ctx) {
  // Words first, so a bad colour or count is reported before any file is read.
  RenderAllSettings settings;
  settings.options = ChosenOptions(call.colours);
  settings.format = ChosenFormat(call.format, PictureFormat::Png, call.colours);
  settings.jobs = ParseJobs(call.jobs);
  settings.archive = call.archive;
  settings.folder = call.folder;
  settings.force = call.force;
  settings.palette = ChosenPalette(call.colours.palette);
  settings.paletteFile = call.colours.palette;
  settings.progressOnTerminal = ctx.errIsTerminal;
  const RenderAllSummary summary = RenderAll(settings, ctx.err);
  ctx.err << SummaryLine(summary) << "\n";
  if (summary.skipped > 0)
    throw SkippedSome();
}

} // namespace

void AddRenderAllCommand(CLI::App &app, Context &ctx) {
  auto call = std::make_shared<RenderAllCall>();
  auto *sub = app.add_subcommand(
      "render-all", "Save every frame of every sprite of ARCHIVE as pictures, on every core");
  sub->footer("Writes FOLDER/ID/001.png, 002.png, ... (or .bmp), each frame at its own size, the "
              "very bytes \"frame\" writes for it; a repeated identifier's folder is ID-2, ID-3, "
              "... Each sprite's folder appears whole or not at all. A sprite that cannot be "
              "decoded is named and skipped, and the call then ends with status 1. If a file "
              "cannot be written, the call stops and removes every file it made.\n");
  sub->add_option("ARCHIVE", call->archive, "The DRS archive")->required();
  sub->add_option("-o,--output", call->folder, "The folder to write into (created if missing)")
      ->required();
  sub->add_option("--format", call->format, "png or bmp (default png)");
  sub->add_option("--jobs", call->jobs, "Workers to run at once (default: one per core)");
  AddColourWords(sub, call->colours);
  AddPlayerWord(sub, call->colours);
  sub->add_flag("--force", call->force, "Read an archive whose header text is wrong");
  sub->callback([call, &ctx] { RunRenderAll(*call, ctx); });
}

} // namespace tessary::cli
