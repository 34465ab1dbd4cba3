#pragma once

#include "archive/drs_records.hpp"
#include "common/bounded_reader.hpp"
#include "common/limits.hpp"
#include "common/messages.hpp"
#include "common/safe_write.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessary {

// Receives status-line texts ("Reading data...", "Finished reading data").
using StatusSink = std::function<void(const std::string &)>;

// Copies the entry's bytes out of the archive into targetPath. Writes through a temporary file
// in the target's folder that replaces the target only once the copy is complete, so a failure
// leaves any previous file at targetPath untouched. Refuses a target that is the archive itself,
// a negative size, a size above kMaxExtractSize and a range past the archive's end.
// Throws Error(ErrorKind::Save, the target or the archive at fault, detail). `status` may be empty.
void ExtractResource(const BoundedFile &archive, const std::string &targetPath,
                     const DRSFileInfo &entry, const StatusSink &status);

// The entry's bytes, read straight out of the archive, with the same checks as ExtractResource.
// Throws Error(kind, the archive, detail).
std::vector<std::uint8_t> ReadResource(const BoundedFile &archive, const DRSFileInfo &entry,
                                       ErrorKind kind);

// The same copy as one file of a set that is committed with the others (FileSet::Commit).
void ExtractResourceInto(FileSet &files, const BoundedFile &archive, const std::string &targetPath,
                         const DRSFileInfo &entry);

// How the archive is named when a write would land on it.
constexpr char kOpenArchiveRole[] = "the open archive";

// Refuses writing any of `outputs` onto the file a command reads (under any name or through a
// link), which would destroy that input: throws Error(ErrorKind::Save, output, "<output> is
// <inputRole> itself") before anything is written. Outputs that do not exist yet pass.
void RefuseWritingOnto(const std::string &input, const std::string &inputRole,
                       const std::vector<std::string> &outputs);

// The name "Extract this file..." proposes for an entry, and the filter entry (from 1) it
// preselects: 1 -> "ID.slp"/3, 2 -> "ID.wav"/2, 3 -> "ID.bin"/1, other -> "ID"/4.
struct ProposedName {
  std::string name;
  int filterIndex;
};
ProposedName ProposedExtractName(std::int32_t id, int kind);

} // namespace tessary
