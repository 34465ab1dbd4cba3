#include "archive/drs_writer.hpp"
#include "common/paths.hpp"

#include "archive/drs_records.hpp"
#include "archive/extract.hpp"
#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "common/limits.hpp"
#include "common/safe_write.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>

namespace tessary {

namespace {

namespace fs = std::filesystem;

constexpr char kVersion[] = "1.00";
constexpr char kFileType[] = "tribe";
constexpr std::int64_t kMaxOffset = std::numeric_limits<std::int32_t>::max();

// subject: the file or folder at fault, empty when the fault is the archive's layout as a whole.
[[noreturn]] void PackFailed(const std::string &subject, const std::string &detail) {
  throw Error(ErrorKind::Save, subject, detail);
}

template <std::size_t N> void PutText(std::array<char, N> &field, const char *text) {
  std::memcpy(field.data(), text, std::min(N, std::strlen(text))); // the rest stays zero
}

std::int32_t CheckedOffset(std::int64_t offset) {
  if (offset > kMaxOffset)
    PackFailed({}, "the archive would be larger than " + std::to_string(kMaxOffset) +
                       " bytes, the most its offsets can address");
  return static_cast<std::int32_t>(offset);
}

// The fields at their places in the header's own layout.
void StoreHeader(const DRSHeader &header, std::uint8_t *out) {
  const bool older = header.layout == HeaderLayout::Aoe;
  const std::size_t bannerLength = older ? 40 : 60;
  const std::size_t at = bannerLength; // version, type and the two counts follow the banner
  std::memcpy(out, header.banner.data(), bannerLength);
  std::memcpy(out + at, header.version.data(), 4);
  std::memcpy(out + at + 4, header.fileType.data(), 12);
  StoreI32(out + at + 16, header.tableCount);
  StoreI32(out + at + 20, header.headerTail);
}

// ----- packing a folder -----

struct SourceFile {
  std::int32_t id = 0;
  fs::path path;
  std::int64_t size = 0;
};

// The kinds in the order their tables are written: SLP, WAV, BIN.
struct KindSlot {
  const char *extension;
  std::array<char, 4> tag;
};
constexpr KindSlot kKindSlots[] = {{".slp", kSpriteTag}, {".wav", kSoundTag}, {".bin", kBinaryTag}};

// "-12.slp" -> slot 0, id -12. Only the plain decimal form counts, so no two names can give
// one table the same identifier.
std::optional<std::pair<std::size_t, std::int32_t>> ParseResourceName(const std::string &name) {
  for (std::size_t slot = 0; slot < std::size(kKindSlots); ++slot) {
    const std::string extension = kKindSlots[slot].extension;
    if (name.size() <= extension.size() || !name.ends_with(extension))
      continue;
    const std::string stem = name.substr(0, name.size() - extension.size());
    std::int32_t id = 0;
    const auto [end, ec] = std::from_chars(stem.data(), stem.data() + stem.size(), id);
    if (ec != std::errc() || end != stem.data() + stem.size() || std::to_string(id) != stem)
      return std::nullopt;
    return std::make_pair(slot, id);
  }
  return std::nullopt;
}

std::string JoinNames(const std::vector<std::string> &names) {
  constexpr std::size_t kShown = 10;
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < kShown; ++i)
    text += (i ? ", " : "") + names[i];
  if (names.size() > kShown)
    text += " and " + std::to_string(names.size() - kShown) + " more";
  return text;
}

std::array<std::vector<SourceFile>, std::size(kKindSlots)> ListSources(const std::string &folder) {
  std::error_code ec;
  if (!fs::is_directory(PathOf(folder), ec))
    PackFailed(folder, folder + " is not a folder");
  std::array<std::vector<SourceFile>, std::size(kKindSlots)> sources;
  std::vector<std::string> refused;
  fs::directory_iterator it(PathOf(folder), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = TextOf(it->path().filename());
    const auto parsed = ParseResourceName(name);
    if (!parsed) {
      refused.push_back(name);
      continue;
    }
    // Rightly named but a folder, a device, a FIFO, or a link to one: its bytes cannot be
    // packed, and saying it is misnamed would send the user looking for the wrong fault.
    std::error_code typeError;
    if (!it->is_regular_file(typeError))
      PackFailed(TextOf(it->path()),
                 TextOf(it->path()) + (fs::exists(it->status(typeError))
                                           ? " is not a regular file"
                                           : " is a link to a file that does not exist"));
    const auto size = fs::file_size(it->path(), typeError);
    if (typeError)
      PackFailed(TextOf(it->path()),
                 "cannot read the size of " + TextOf(it->path()) + ": " + typeError.message());
    if (size > static_cast<std::uintmax_t>(kMaxExtractSize))
      PackFailed(TextOf(it->path()), TextOf(it->path()) + " is " + std::to_string(size) +
                                         " bytes long; at most " + std::to_string(kMaxExtractSize) +
                                         " bytes can be extracted from an archive");
    sources[parsed->first].push_back({parsed->second, it->path(), static_cast<std::int64_t>(size)});
  }
  if (ec)
    PackFailed(folder, "cannot list " + folder + ": " + ec.message());
  if (!refused.empty()) {
    std::sort(refused.begin(), refused.end());
    PackFailed(folder,
               "only files named ID.slp, ID.wav or ID.bin (ID a decimal number) can be packed; " +
                   folder + " also holds " + JoinNames(refused));
  }
  for (auto &files : sources)
    std::sort(files.begin(), files.end(),
              [](const SourceFile &a, const SourceFile &b) { return a.id < b.id; });
  return sources;
}

void CheckListLimits(const std::vector<PlannedTable> &tables, const std::string &folder) {
  std::int64_t entries = 0;
  for (const auto &table : tables)
    entries += static_cast<std::int64_t>(table.entries.size());
  if (tables.empty())
    PackFailed(folder, folder + " holds no ID.slp, ID.wav or ID.bin file to pack");
  // The reader refuses an archive past these, so one is never written.
  if (entries > kMaxArchiveEntries ||
      entries + static_cast<std::int64_t>(tables.size()) > kMaxListLines)
    PackFailed(folder, folder + " holds " + std::to_string(entries) +
                           " resources; an archive's list holds at most " +
                           std::to_string(kMaxListLines) + " lines, headings included");
}

// Overwriting one of the files being packed would lose it.
void CheckNotASource(const std::vector<SourceFile> &files, const std::string &archivePath) {
  for (const auto &file : files) {
    std::error_code ec;
    if (fs::equivalent(file.path, PathOf(archivePath), ec))
      PackFailed(archivePath, archivePath + " is one of the files being packed");
  }
}

void CopyInto(SafeFile &target, const SourceFile &file) {
  const BoundedFile source(file.path, ErrorKind::Save);
  if (static_cast<std::int64_t>(source.size()) != file.size)
    PackFailed(TextOf(file.path),
               TextOf(file.path) + " changed size while the archive was written");
  // Both lengths lie in 0..64 KiB: file.size was checked non-negative when it was planned.
  const std::int64_t blockLength = std::min<std::int64_t>(file.size, 1 << 16);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(blockLength));
  for (std::int64_t done = 0; done < file.size;) {
    const auto length = static_cast<std::size_t>(std::min(file.size - done, blockLength));
    source.readAt(static_cast<std::uint64_t>(done), {block.data(), length}, ErrorKind::Save);
    target.Write({block.data(), length});
    done += static_cast<std::int64_t>(length);
  }
}

} // namespace

DRSHeader NewArchiveHeader(HeaderLayout layout) {
  DRSHeader header;
  header.layout = layout;
  if (layout == HeaderLayout::Aoe) {
    PutText(header.banner, kOlderBanner);
    header.banner[36] = 0x1A;
  } else {
    PutText(header.banner, kBanner);
  }
  PutText(header.version, kVersion);
  PutText(header.fileType, kFileType);
  return header;
}

std::vector<std::uint8_t> LayOutArchive(const DRSHeader &header,
                                        const std::vector<PlannedTable> &tables) {
  const std::int64_t headerSize = HeaderSizeOf(header.layout);
  std::int64_t entryCount = 0;
  for (const auto &table : tables)
    entryCount += static_cast<std::int64_t>(table.entries.size());
  const std::int64_t recordsEnd = headerSize +
                                  static_cast<std::int64_t>(tables.size()) * kTableRecordSize +
                                  entryCount * kEntryRecordSize;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(CheckedOffset(recordsEnd)), 0);

  DRSHeader laidOut = header;
  laidOut.tableCount = CheckedOffset(static_cast<std::int64_t>(tables.size()));
  laidOut.headerTail = CheckedOffset(recordsEnd);
  StoreHeader(laidOut, bytes.data());

  std::int64_t entriesOffset =
      headerSize + static_cast<std::int64_t>(tables.size()) * kTableRecordSize;
  std::int64_t dataOffset = recordsEnd;
  for (std::size_t t = 0; t < tables.size(); ++t) {
    std::uint8_t *record =
        bytes.data() + static_cast<std::size_t>(headerSize) + t * kTableRecordSize;
    std::memcpy(record, tables[t].tag.data(), 4);
    StoreI32(record + 4, CheckedOffset(entriesOffset));
    StoreI32(record + 8, CheckedOffset(static_cast<std::int64_t>(tables[t].entries.size())));
    for (const auto &entry : tables[t].entries) {
      std::uint8_t *out = bytes.data() + entriesOffset;
      StoreI32(out, entry.id);
      StoreI32(out + 4, CheckedOffset(dataOffset));
      StoreI32(out + 8, CheckedOffset(entry.size));
      entriesOffset += kEntryRecordSize;
      dataOffset += entry.size;
      CheckedOffset(dataOffset);
    }
  }
  return bytes;
}

std::vector<std::uint8_t> BuildArchive(const std::vector<ArchiveTableSpec> &tables,
                                       HeaderLayout layout) {
  std::vector<PlannedTable> planned;
  for (const auto &table : tables) {
    PlannedTable plan{table.tag, {}};
    for (const auto &entry : table.entries)
      plan.entries.push_back({entry.id, static_cast<std::int64_t>(entry.bytes.size())});
    planned.push_back(std::move(plan));
  }
  std::vector<std::uint8_t> bytes = LayOutArchive(NewArchiveHeader(layout), planned);
  for (const auto &table : tables)
    for (const auto &entry : table.entries)
      bytes.insert(bytes.end(), entry.bytes.begin(), entry.bytes.end());
  return bytes;
}

void WriteArchive(const std::string &folder, const std::string &archivePath, HeaderLayout layout) {
  const auto sources = ListSources(folder);
  std::vector<PlannedTable> tables;
  std::vector<SourceFile> order;
  for (std::size_t slot = 0; slot < sources.size(); ++slot) {
    if (sources[slot].empty())
      continue;
    PlannedTable table{kKindSlots[slot].tag, {}};
    for (const auto &file : sources[slot]) {
      table.entries.push_back({file.id, file.size});
      order.push_back(file);
    }
    tables.push_back(std::move(table));
  }
  CheckListLimits(tables, folder);
  CheckNotASource(order, archivePath);

  const std::vector<std::uint8_t> records = LayOutArchive(NewArchiveHeader(layout), tables);
  SafeFile target(PathOf(archivePath), ErrorKind::Save, true);
  target.Write(records);
  for (const auto &file : order)
    CopyInto(target, file);
  target.Commit();
}

} // namespace tessary
