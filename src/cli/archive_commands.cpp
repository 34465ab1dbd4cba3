#include "cli/archive_commands.hpp"
#include "common/paths.hpp"

#include "archive/drs_writer.hpp"
#include "archive/extract.hpp"
#include "archive/replace_resource.hpp"
#include "cli/created_folders.hpp"
#include "cli/output_checks.hpp"
#include "cli/progress_line.hpp"
#include "common/error.hpp"
#include "common/safe_write.hpp"

#include <CLI/CLI.hpp>

#include <charconv>
#include <filesystem>
#include <memory>
#include <ostream>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tessary::cli {

namespace fs = std::filesystem;

OpenedArchive OpenArchive(const std::string &path, bool force) {
  OpenedArchive archive{BoundedFile(PathOf(path), ErrorKind::ArchiveRead), {}};
  auto contents = ReadArchive(archive.file, [force] { return force; });
  if (!contents)
    throw Error(ErrorKind::ArchiveRead, path,
                path + " does not begin with \"" + std::string(kBanner) +
                    "\"; add --force to read it anyway");
  archive.contents = std::move(*contents);
  return archive;
}

std::int32_t ParseResourceId(const std::string &word) {
  std::int32_t id = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), id);
  if (word.empty() || ec != std::errc() || end != word.data() + word.size())
    throw UsageError("ID must be a resource identifier in decimal (minus sign allowed), not \"" +
                     word + "\"");
  return id;
}

std::size_t FindEntryLine(const OpenedArchive &archive, std::int32_t id) {
  const auto &lines = archive.contents.lines;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].kind != kKindHeading && lines[i].entry.id == id)
      return i;
  throw UsageError(archive.file.path() + " holds no resource with identifier " +
                   std::to_string(id));
}

namespace {

// ----- list -----

struct ListOptions {
  std::string archive;
  bool longForm = false;
  bool force = false;
};

void RunList(const ListOptions &options, Context &ctx) {
  const auto archive = OpenArchive(options.archive, options.force);
  for (const auto &line : archive.contents.lines) {
    ctx.out << line.text;
    if (options.longForm)
      ctx.out << '\t' << line.kind << '\t' << line.entry.offset << '\t' << line.entry.size;
    ctx.out << '\n';
  }
}

// ----- extract -----

struct ExtractOptions {
  std::string archive;
  std::string id;
  std::string output;
  bool force = false;
};

void RunExtract(const ExtractOptions &options) {
  const std::int32_t id = ParseResourceId(options.id);
  const auto archive = OpenArchive(options.archive, options.force);
  const std::size_t line = FindEntryLine(archive, id);
  RefuseFolderAsOutput(options.output);
  ExtractResource(archive.file, options.output, archive.contents.lines[line].entry, {});
}

// ----- extract-all -----

struct ExtractAllOptions {
  std::string archive;
  std::string folder;
  bool force = false;
};

struct PlannedFile {
  std::size_t line;
  std::string name;
};

// Entries sharing an identifier and kind get "ID-2.slp", "ID-3.slp", ... in list order. An
// identifier never has a minus sign after a digit, so these never take another entry's name.
std::vector<PlannedFile> PlanFileNames(const ArchiveContents &contents) {
  std::vector<PlannedFile> plan;
  std::unordered_set<std::string> taken;
  // Where the search for a free copy number resumes for each name: a thousand entries of one
  // identifier then cost a thousand lookups, not half a million.
  std::unordered_map<std::string, int> nextCopy;
  for (std::size_t i = 0; i < contents.lines.size(); ++i) {
    const ListLine &line = contents.lines[i];
    if (line.kind == kKindHeading)
      continue;
    const auto proposed = ProposedExtractName(line.entry.id, line.kind);
    const std::string base = std::to_string(line.entry.id);
    const std::string extension = proposed.name.substr(base.size());
    std::string name = proposed.name;
    if (taken.count(name)) {
      int &copy = nextCopy.try_emplace(proposed.name, 2).first->second;
      do
        name = base + "-" + std::to_string(copy++) + extension;
      while (taken.count(name));
    }
    taken.insert(name);
    plan.push_back({i, name});
  }
  return plan;
}

void CheckNoneIsTheArchive(const OpenedArchive &archive, const fs::path &folder,
                           const std::vector<PlannedFile> &plan) {
  std::vector<std::string> outputs;
  for (const auto &file : plan)
    outputs.push_back(TextOf(folder / PathOf(file.name)));
  RefuseWritingOnto(archive.file.path(), kOpenArchiveRole, outputs);
}

std::vector<std::string> OutputPaths(const fs::path &folder, const std::vector<PlannedFile> &plan) {
  std::vector<std::string> paths;
  for (const auto &file : plan)
    paths.push_back(TextOf(folder / PathOf(file.name)));
  return paths;
}

void RunExtractAll(const ExtractAllOptions &options, Context &ctx) {
  const auto archive = OpenArchive(options.archive, options.force);
  const auto plan = PlanFileNames(archive.contents);
  const fs::path folder = PathOf(options.folder);
  CheckNoneIsTheArchive(archive, folder, plan);
  CreatedFolders created(folder);
  const std::vector<std::string> outputs = OutputPaths(folder, plan);
  CheckWritableTargets(PathsOf(outputs), ErrorKind::Save);
  // The files appear together once every one is written: a call that fails half-way leaves
  // nothing behind and nothing replaced.
  FileSet files({ErrorKind::Save, 0, {}});
  ProgressLine progress(ctx.err, ctx.errIsTerminal, "entries",
                        static_cast<std::int64_t>(plan.size()));
  for (std::size_t i = 0; i < plan.size(); ++i) {
    progress.update(static_cast<std::int64_t>(i));
    ExtractResourceInto(files, archive.file, outputs[i],
                        archive.contents.lines[plan[i].line].entry);
  }
  progress.update(static_cast<std::int64_t>(plan.size()));
  progress.clear();
  files.Commit();
  created.keep();
}

// ----- pack -----

struct PackOptions {
  std::string folder;
  std::string output;
  std::string banner = "swgb";
};

// ----- replace -----

struct ReplaceOptions {
  std::string archive;
  std::string id;
  std::string file;
  std::string output;
  bool force = false;
};

void RunReplace(const ReplaceOptions &options) {
  Replacement replacement{ParseResourceId(options.id), options.file, kKindOther};
  const auto archive = OpenArchive(options.archive, options.force);
  if (!FirstEntryLine(archive.contents, replacement.id)) {
    const auto kind = KindOfResourceFile(options.file);
    if (!kind)
      throw UsageError(archive.file.path() + " holds no resource with identifier " + options.id +
                       ", and FILE must end in .slp, .wav or .bin to say which table it joins, "
                       "not \"" +
                       options.file + "\"");
    replacement.kind = *kind;
  }
  RefuseFolderAsOutput(options.output);
  WriteReplacedArchive(archive.file, archive.contents, replacement, options.output);
}

// ----- registration -----

// The words every archive call takes alike (each listed in --help where its call adds it).
void AddArchiveWord(CLI::App *sub, std::string &archive) {
  sub->add_option("ARCHIVE", archive, "The DRS archive")->required();
}
void AddForceFlag(CLI::App *sub, bool &force) {
  sub->add_flag("--force", force, "Read an archive whose header text is wrong");
}

void AddList(CLI::App &app, Context &ctx) {
  auto options = std::make_shared<ListOptions>();
  auto *sub = app.add_subcommand("list", "Print the resource list of an archive, one line each");
  AddArchiveWord(sub, options->archive);
  sub->add_flag("--long", options->longForm,
                "Also print each line's kind (0 heading, 1 SLP, 2 WAV, 3 BIN, -1 other), "
                "offset and size, separated by tabs");
  AddForceFlag(sub, options->force);
  sub->callback([options, &ctx] { RunList(*options, ctx); });
}

void AddExtract(CLI::App &app, Context &) {
  auto options = std::make_shared<ExtractOptions>();
  auto *sub = app.add_subcommand("extract", "Copy one resource of ARCHIVE into a file");
  sub->footer("The bytes are copied unchanged. Where ID occurs more than once, the first entry in "
              "list order is meant; table headings are not entries.\n");
  AddArchiveWord(sub, options->archive);
  sub->add_option("ID", options->id, "The resource identifier, in decimal")->required();
  sub->add_option("-o,--output", options->output, "The file to write")->required();
  AddForceFlag(sub, options->force);
  sub->callback([options] { RunExtract(*options); });
}

void AddExtractAll(CLI::App &app, Context &ctx) {
  auto options = std::make_shared<ExtractAllOptions>();
  auto *sub = app.add_subcommand("extract-all", "Copy every resource of ARCHIVE into a folder");
  sub->footer("Files are named ID.slp, ID.wav, ID.bin, or ID alone for other kinds. A later entry "
              "with the same identifier and kind as an earlier one is written as ID-2.slp, "
              "ID-3.slp, ... so no entry's file replaces another's. If any resource cannot be "
              "copied, no file is written.\n");
  AddArchiveWord(sub, options->archive);
  sub->add_option("-o,--output", options->folder, "The folder to write into (created if missing)")
      ->required();
  AddForceFlag(sub, options->force);
  sub->callback([options, &ctx] { RunExtractAll(*options, ctx); });
}

void AddPack(CLI::App &app, Context &) {
  auto options = std::make_shared<PackOptions>();
  auto *sub = app.add_subcommand("pack", "Write a folder of resource files into a DRS archive");
  sub->footer("Every file in FOLDER must be named ID.slp, ID.wav or ID.bin (ID in decimal, minus "
              "sign allowed). The archive holds one table per kind present, in the order SLP, "
              "WAV, BIN, each listing its entries by ascending identifier.\n");
  sub->add_option("FOLDER", options->folder, "The folder of resource files")->required();
  sub->add_option("-o,--output", options->output, "The archive to write")->required();
  sub->add_option("--banner", options->banner,
                  "The header: swgb (84 bytes, the default) or aoe (the older games' 64 bytes)")
      ->check(CLI::IsMember({"swgb", "aoe"}));
  sub->callback([options] {
    RefuseFolderAsOutput(options->output);
    WriteArchive(options->folder, options->output,
                 options->banner == "aoe" ? HeaderLayout::Aoe : HeaderLayout::Swgb);
  });
}

void AddReplace(CLI::App &app, Context &) {
  auto options = std::make_shared<ReplaceOptions>();
  auto *sub = app.add_subcommand("replace", "Write a copy of ARCHIVE with one resource replaced");
  sub->footer("The copy keeps ARCHIVE's header, its table order and every other entry; ARCHIVE "
              "itself is never written. Where ID occurs more than once, the first entry in list "
              "order is replaced. An ID that ARCHIVE does not hold is added to the table of "
              "FILE's kind, named by its extension (.slp, .wav, .bin); a kind without a table "
              "gets a new table at the end.\n");
  AddArchiveWord(sub, options->archive);
  sub->add_option("ID", options->id, "The resource identifier, in decimal")->required();
  sub->add_option("FILE", options->file, "The file of new bytes")->required();
  sub->add_option("-o,--output", options->output, "The new archive to write")->required();
  AddForceFlag(sub, options->force);
  sub->callback([options] { RunReplace(*options); });
}

} // namespace

void AddArchiveCommands(CLI::App &app, Context &ctx) {
  AddList(app, ctx);
  AddExtract(app, ctx);
  AddExtractAll(app, ctx);
  AddPack(app, ctx);
  AddReplace(app, ctx);
}

} // namespace tessary::cli
