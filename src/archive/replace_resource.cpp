#include "archive/replace_resource.hpp"
#include "common/paths.hpp"

#include "archive/drs_writer.hpp"
#include "archive/extract.hpp"
#include "common/error.hpp"
#include "common/limits.hpp"
#include "common/safe_write.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace tessary {

namespace {

[[noreturn]] void SaveFailed(const std::string &subject, const std::string &detail) {
  throw Error(ErrorKind::Save, subject, detail);
}

std::string Lower(std::string text) {
  for (char &c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::array<char, 4> TagOfKind(int kind) {
  if (kind == kKindSound)
    return kSoundTag;
  if (kind == kKindBinary)
    return kBinaryTag;
  return kSpriteTag;
}

// Where each entry of the new archive takes its bytes from: an entry of the old one, or the
// source file (no entry).
using EntrySource = std::optional<DRSFileInfo>;

struct Plan {
  std::vector<PlannedTable> tables;
  std::vector<EntrySource> sources; // in table and entry order, as the resources are written
};

// The tables and entries of the new archive. Headings open their table in list order, so the
// list alone gives every table's entries.
Plan PlanTables(const ArchiveContents &contents, const Replacement &replacement,
                std::int64_t newSize) {
  Plan plan;
  const auto replaced = FirstEntryLine(contents, replacement.id);
  std::size_t table = 0;
  for (std::size_t line = 0; line < contents.lines.size(); ++line) {
    const ListLine &listLine = contents.lines[line];
    if (listLine.kind == kKindHeading) {
      plan.tables.push_back({contents.tables[table++].tag, {}});
      continue;
    }
    const bool isNew = replaced && *replaced == line;
    plan.tables.back().entries.push_back(
        {listLine.entry.id, isNew ? newSize : listLine.entry.size});
    plan.sources.push_back(isNew ? EntrySource{} : EntrySource{listLine.entry});
  }
  if (replaced)
    return plan;

  // A new identifier joins the end of the first table of its kind, or a table of its own.
  const auto joins = std::find_if(plan.tables.begin(), plan.tables.end(), [&](const auto &t) {
    return KindOfTableText(TableKindText(t.tag)) == replacement.kind;
  });
  if (joins == plan.tables.end()) {
    plan.tables.push_back({TagOfKind(replacement.kind), {{replacement.id, newSize}}});
    plan.sources.push_back(EntrySource{});
    return plan;
  }
  std::size_t before = 0; // entries of the tables before and of the joined one
  for (auto t = plan.tables.begin(); t <= joins; ++t)
    before += t->entries.size();
  joins->entries.push_back({replacement.id, newSize});
  plan.sources.insert(plan.sources.begin() + static_cast<std::ptrdiff_t>(before), EntrySource{});
  return plan;
}

// The reader refuses an archive past these, so one is never written.
void CheckListLimits(const Plan &plan, const std::string &outputPath) {
  const auto entries = static_cast<std::int64_t>(plan.sources.size());
  if (entries > kMaxArchiveEntries ||
      entries + static_cast<std::int64_t>(plan.tables.size()) > kMaxListLines)
    SaveFailed(outputPath, outputPath + " would hold " + std::to_string(entries) +
                               " resources; an archive's list holds at most " +
                               std::to_string(kMaxListLines) + " lines, headings included");
}

} // namespace

std::optional<int> KindOfResourceFile(const std::string &path) {
  const std::string extension = Lower(TextOf(PathOf(path).extension()));
  if (extension == ".slp")
    return kKindSprite;
  if (extension == ".wav")
    return kKindSound;
  if (extension == ".bin")
    return kKindBinary;
  return std::nullopt;
}

std::optional<std::size_t> FirstEntryLine(const ArchiveContents &contents, std::int32_t id) {
  for (std::size_t i = 0; i < contents.lines.size(); ++i)
    if (contents.lines[i].kind != kKindHeading && contents.lines[i].entry.id == id)
      return i;
  return std::nullopt;
}

void WriteReplacedArchive(const BoundedFile &archive, const ArchiveContents &contents,
                          const Replacement &replacement, const std::string &outputPath) {
  RefuseWritingOnto(archive.path(), kOpenArchiveRole, {outputPath});
  RefuseWritingOnto(replacement.sourcePath, kReplacementFileRole, {outputPath});
  const BoundedFile source(PathOf(replacement.sourcePath), ErrorKind::Save);
  const auto sourceSize = static_cast<std::int64_t>(source.size());
  // What could not be extracted again is not put in.
  if (sourceSize > kMaxExtractSize)
    SaveFailed(replacement.sourcePath, replacement.sourcePath + " is " +
                                           std::to_string(sourceSize) + " bytes long; at most " +
                                           std::to_string(kMaxExtractSize) +
                                           " bytes can be extracted from an archive");

  const Plan plan = PlanTables(contents, replacement, sourceSize);
  CheckListLimits(plan, outputPath);
  const std::vector<std::uint8_t> records = LayOutArchive(contents.header, plan.tables);

  std::vector<std::uint8_t> newBytes(static_cast<std::size_t>(sourceSize));
  source.readAt(0, newBytes, ErrorKind::Save);
  SafeFile target(PathOf(outputPath), ErrorKind::Save, true);
  target.Write(records);
  for (const auto &entry : plan.sources)
    target.Write(entry ? ReadResource(archive, *entry, ErrorKind::ArchiveRead) : newBytes);
  target.Commit();
}

} // namespace tessary
