#pragma once

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

// The bytes of an archive holding exactly the given tables, in the given order: the header
// (banner "Copyright (c) 2001 LucasArts", version "1.00", type "tribe", headerTail = offset of
// the first resource byte), the table records, each table's entry records, then the resources.
// Writes whatever it is given (any tag, no table at all, duplicate identifiers), so tests can
// make archives the reader must cope with. Throws Error when the archive would not fit the
// format's 32-bit offsets.
std::vector<std::uint8_t> BuildArchive(const std::vector<ArchiveTableSpec> &tables);

// Packs a folder of resource files into an archive at archivePath. Every file in the folder
// must be named ID.slp, ID.wav or ID.bin, ID in plain decimal (minus sign allowed, no leading
// zeros or plus sign), and be at most the size extraction can copy out again. The archive gets
// one table per kind present, in the fixed order SLP, WAV, BIN, entries in ascending identifier
// order. Anything else in the folder (other names, subfolders) is refused, naming it, and
// nothing is written. The archive is written under a temporary name and renamed into place.
// Throws Error(ErrorKind::Save, the file or folder at fault, detail).
void WriteArchive(const std::string &folder, const std::string &archivePath);

} // namespace tessary
