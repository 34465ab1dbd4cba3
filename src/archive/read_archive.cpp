#include "archive/read_archive.hpp"

#include "common/error.hpp"
#include "common/limits.hpp"
#include "common/paths.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <span>

namespace tessary {

namespace {

[[noreturn]] void Malformed(const BoundedFile &archive, const std::string &detail) {
  throw Error(ErrorKind::ArchiveRead, archive.path(), detail);
}

std::string Describe(const BoundedFile &archive) {
  return archive.path().empty() ? std::string("the archive") : archive.path();
}

// Throws unless [offset, offset + length) lies inside the archive.
void RequireInside(const BoundedFile &archive, std::int64_t offset, std::int64_t length,
                   const std::string &what) {
  const auto size = static_cast<std::int64_t>(archive.size());
  if (offset < 0 || length < 0 || offset > size || length > size - offset)
    Malformed(archive, what + " (" + std::to_string(length) + " bytes at offset " +
                           std::to_string(offset) + ") lies past the end of " + Describe(archive) +
                           " (" + std::to_string(size) + " bytes)");
}

std::vector<std::uint8_t> ReadRun(const BoundedFile &archive, std::int64_t offset,
                                  std::int64_t length, const std::string &what) {
  RequireInside(archive, offset, length, what);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  archive.readAt(static_cast<std::uint64_t>(offset), bytes, ErrorKind::ArchiveRead);
  return bytes;
}

template <std::size_t N> std::array<char, N> CharsAt(const std::uint8_t *p) {
  std::array<char, N> chars{};
  std::memcpy(chars.data(), p, N);
  return chars;
}

bool HasOlderHeader(const BoundedFile &archive) {
  if (archive.size() < static_cast<std::uint64_t>(kOlderHeaderSize))
    return false;
  const auto bytes = ReadRun(archive, 0, kOlderVersionOffset + 4, "the header");
  return std::memcmp(bytes.data(), kOlderBanner, sizeof(kOlderBanner) - 1) == 0 &&
         std::memcmp(bytes.data() + kOlderVersionOffset, kOlderVersion, 4) == 0;
}

DRSHeader ReadOlderHeader(const BoundedFile &archive) {
  const auto bytes = ReadRun(archive, 0, kOlderHeaderSize, "the header");
  DRSHeader header;
  header.layout = HeaderLayout::Aoe;
  std::memcpy(header.banner.data(), bytes.data(), 40);
  header.version = CharsAt<4>(bytes.data() + 40);
  header.fileType = CharsAt<12>(bytes.data() + 44);
  header.tableCount = LoadI32(bytes.data() + 56);
  header.headerTail = LoadI32(bytes.data() + 60);
  return header;
}

DRSHeader ReadHeader(const BoundedFile &archive) {
  if (HasOlderHeader(archive))
    return ReadOlderHeader(archive);
  if (archive.size() < static_cast<std::uint64_t>(kHeaderSize))
    Malformed(archive, Describe(archive) + " is " + std::to_string(archive.size()) +
                           " bytes long, shorter than the " + std::to_string(kHeaderSize) +
                           "-byte header");
  const auto bytes = ReadRun(archive, 0, kHeaderSize, "the header");
  DRSHeader header;
  header.banner = CharsAt<60>(bytes.data());
  header.version = CharsAt<4>(bytes.data() + 60);
  header.fileType = CharsAt<12>(bytes.data() + 64);
  header.tableCount = LoadI32(bytes.data() + 76);
  header.headerTail = LoadI32(bytes.data() + 80);
  return header;
}

std::string TableName(std::size_t index) { return "table " + std::to_string(index + 1); }

// Reads the table records in one go and checks every count against the 16-bit limits before
// anything is sized by them.
std::vector<DRSTableInfo> ReadTables(const BoundedFile &archive, const DRSHeader &header) {
  const std::int32_t tableCount = header.tableCount;
  if (tableCount < 1 || tableCount > kMaxArchiveTables)
    Malformed(archive, "the table count " + std::to_string(tableCount) + " is outside 1 ... " +
                           std::to_string(kMaxArchiveTables));
  const auto bytes =
      ReadRun(archive, HeaderSizeOf(header.layout), std::int64_t{tableCount} * kTableRecordSize,
              "the run of " + std::to_string(tableCount) + " table records");
  std::vector<DRSTableInfo> tables(static_cast<std::size_t>(tableCount));
  std::int64_t entries = 0;
  for (std::size_t t = 0; t < tables.size(); ++t) {
    const std::uint8_t *record = bytes.data() + t * kTableRecordSize;
    auto &table = tables[t];
    table.tag = CharsAt<4>(record);
    table.entriesOffset = LoadI32(record + 4);
    table.entryCount = LoadI32(record + 8);
    if (table.entryCount < 0)
      Malformed(archive, TableName(t) + " has a negative entry count (" +
                             std::to_string(table.entryCount) + ")");
    entries += table.entryCount;
    if (entries > kMaxArchiveEntries)
      Malformed(archive, "the tables hold more than " + std::to_string(kMaxArchiveEntries) +
                             " entries in all");
    if (entries + tableCount > kMaxListLines)
      Malformed(archive, "the archive would make more than " + std::to_string(kMaxListLines) +
                             " list lines (" + std::to_string(tableCount) +
                             " headings and at least " + std::to_string(entries) + " entries)");
  }
  return tables;
}

void AddTable(const BoundedFile &archive, const DRSTableInfo &table, std::size_t index,
              ArchiveContents &contents) {
  const std::string kindText = TableKindText(table.tag);
  contents.lines.push_back({HeadingText(kindText, table.entryCount), kKindHeading, {}});
  if (table.entryCount == 0)
    return; // its offset is never used, whatever it says
  const int kind = KindOfTableText(kindText);
  const auto bytes =
      ReadRun(archive, table.entriesOffset, std::int64_t{table.entryCount} * kEntryRecordSize,
              "the entry records of " + TableName(index));
  for (std::int32_t e = 0; e < table.entryCount; ++e) {
    const std::uint8_t *record = bytes.data() + static_cast<std::size_t>(e) * kEntryRecordSize;
    DRSFileInfo info;
    info.id = LoadI32(record);
    info.offset = LoadI32(record + 4);
    info.size = LoadI32(record + 8);
    contents.lines.push_back({std::to_string(info.id), kind, std::move(info)});
  }
}

} // namespace

std::string TableKindText(const std::array<char, 4> &tag) {
  std::string text{tag[3], tag[2], tag[1]};
  for (char &c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

int KindOfTableText(const std::string &kindText) {
  if (kindText == "WAV")
    return kKindSound;
  if (kindText == "BIN")
    return kKindBinary;
  if (kindText == "SLP")
    return kKindSprite;
  return kKindOther;
}

std::string HeadingText(const std::string &kindText, std::int32_t entryCount) {
  return "--" + kindText + " (" + std::to_string(entryCount) + ")--";
}

bool BannerIsValid(const std::array<char, 60> &banner) {
  constexpr std::size_t length = sizeof(kBanner) - 1;
  return std::memcmp(banner.data(), kBanner, length) == 0;
}

std::optional<ArchiveContents> ReadArchive(const BoundedFile &archive,
                                           const ConfirmInvalidBanner &askContinue) {
  ArchiveContents contents;
  contents.header = ReadHeader(archive);
  // The older games' header was recognised by its own banner: nothing to ask.
  if (contents.header.layout == HeaderLayout::Swgb && !BannerIsValid(contents.header.banner) &&
      !(askContinue && askContinue()))
    return std::nullopt;
  contents.tables = ReadTables(archive, contents.header);

  std::size_t lineCount = contents.tables.size();
  for (const auto &table : contents.tables)
    lineCount += static_cast<std::size_t>(table.entryCount);
  contents.lines.reserve(lineCount);
  for (std::size_t t = 0; t < contents.tables.size(); ++t)
    AddTable(archive, contents.tables[t], t, contents);
  return contents;
}

std::string ArchiveLabel(const std::string &archivePath) { return FileTitle(archivePath); }

} // namespace tessary
