#pragma once

#include "archive/read_archive.hpp"
#include "cli/commands.hpp"
#include "common/bounded_reader.hpp"

#include <cstdint>
#include <string>

// The archive calls (list, extract, extract-all, pack, replace) and the archive helpers every call
// that takes "ARCHIVE ID" shares.
namespace tessary::cli {

struct OpenedArchive {
  BoundedFile file;
  ArchiveContents contents;
};

// Opens and reads an archive. A wrong header text is read anyway only when force is set;
// otherwise, and for any unreadable archive, throws Error(ErrorKind::ArchiveRead, ...).
OpenedArchive OpenArchive(const std::string &path, bool force);

// The identifier word of a call: decimal, minus sign allowed. Throws UsageError otherwise.
std::int32_t ParseResourceId(const std::string &word);

// The list index of the first entry line (never a heading) with this identifier. Throws
// UsageError when the archive holds none.
std::size_t FindEntryLine(const OpenedArchive &archive, std::int32_t id);

} // namespace tessary::cli
