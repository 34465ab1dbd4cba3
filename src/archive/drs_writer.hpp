#pragma once

#include "archive/drs_records.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

struct ArchiveEntrySpec {
  std::int32_t id = 0;
  std::vector<std::uint8_t> bytes;
};

// One table of an archive to build: its 4-byte tag as stored (" pls" reads as SLP) and its
// entries in the order they are to be stored.
struct ArchiveTableSpec {
  std::array<char, 4> tag{};
  std::vector<ArchiveEntrySpec> entries;
};

// The tags WriteArchive gives its tables.
constexpr std::array<char, 4> kSpriteTag{' ', 'p', 'l', 's'};
constexpr std::array<char, 4> kSoundTag{' ', 'v', 'a', 'w'};
constexpr std::array<char, 4> kBinaryTag{'a', 'n', 'i', 'b'};

// The header a new archive of the layout gets: for Swgb the banner "Copyright (c) 2001
// LucasArts", for Aoe "Copyright (c) 1997 Ensemble Studios." and the bytes 1A 00 00 00; then
// the version "1.00" and the type "tribe". Its counts are set when the archive is laid out.
DRSHeader NewArchiveHeader(HeaderLayout layout);

// What laying out an archive needs to know of an entry before its bytes are at hand.
struct PlannedEntry {
  std::int32_t id = 0;
  std::int64_t size = 0;
};
struct PlannedTable {
  std::array<char, 4> tag{};
  std::vector<PlannedEntry> entries;
};

// The header, the table records and each table's entry records of an archive whose resources
// follow them in table and entry order. The header keeps `header`'s banner, version and type in
// its layout; its table count and headerTail (the offset of the first resource) are the new
// archive's. Throws Error(ErrorKind::Save) when the archive would not fit the format's 32-bit
// offsets.
std::vector<std::uint8_t> LayOutArchive(const DRSHeader &header,
                                        const std::vector<PlannedTable> &tables);

// The bytes of an archive holding exactly the given tables, in the given order: the header of
// NewArchiveHeader(layout), the table records, each table's entry records, then the resources.
// Writes whatever it is given (any tag, no table at all, duplicate identifiers), so tests can
// make archives the reader must cope with. Throws Error when the archive would not fit the
// format's 32-bit offsets.
std::vector<std::uint8_t> BuildArchive(const std::vector<ArchiveTableSpec> &tables,
                                       HeaderLayout layout = HeaderLayout::Swgb);

// Packs a folder of resource files into an archive at archivePath. Every file in the folder
// must be named ID.slp, ID.wav or ID.bin, ID in plain decimal (minus sign allowed, no leading
// zeros or plus sign), and be at most the size extraction can copy out again. The archive gets
// one table per kind present, in the fixed order SLP, WAV, BIN, entries in ascending identifier
// order. Anything else in the folder (other names, subfolders) is refused, naming it, and
// nothing is written. The archive is written under a temporary name and renamed into place, with
// the header of NewArchiveHeader(layout). Throws Error(ErrorKind::Save, the file or folder at
// fault, detail).
void WriteArchive(const std::string &folder, const std::string &archivePath,
                  HeaderLayout layout = HeaderLayout::Swgb);

} // namespace tessary
