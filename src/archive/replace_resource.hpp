#pragma once

#include "archive/read_archive.hpp"
#include "common/bounded_reader.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace tessary {

// How the file of new bytes is named when the new archive would land on it.
constexpr char kReplacementFileRole[] = "the file of new bytes";

// One resource to put into a copy of an archive.
struct Replacement {
  std::int32_t id = 0;
  std::string sourcePath; // its new bytes
  // The kind of table it joins (kKindSprite, kKindSound, kKindBinary) when the archive does not
  // hold `id`; unused otherwise.
  int kind = kKindOther;
};

// The list-line kind a resource file's extension names: .slp, .wav, .bin in any case; nothing
// for any other name.
std::optional<int> KindOfResourceFile(const std::string &path);

// The list index of the first entry line (never a heading) with this identifier.
std::optional<std::size_t> FirstEntryLine(const ArchiveContents &contents, std::int32_t id);

// Writes to outputPath a new archive: the one read as `contents` from `archive`, with the first
// entry of replacement.id (in list order) holding the source file's bytes. When no entry has that
// identifier, the resource joins the end of the first table of replacement.kind, or of a new
// table of that kind after the others. The header (its layout, banner, version and type), the
// order of tables and entries and every other entry's bytes are kept; the records are laid out
// afresh, so offsets move and the header's counts are the new archive's. Refuses an output that
// is the archive or the source file; nothing appears at outputPath unless all of it was written.
// Throws Error(ErrorKind::ArchiveRead, the archive, detail) for an entry that cannot be read
// back, Error(ErrorKind::Save, the file at fault, detail) otherwise.
void WriteReplacedArchive(const BoundedFile &archive, const ArchiveContents &contents,
                          const Replacement &replacement, const std::string &outputPath);

} // namespace tessary
