// Reads arbitrary bytes as an archive and builds its list: any input must end in a list or a
// tessary::Error, never a crash, a hang or an out-of-bounds read.
#include "archive/read_archive.hpp"
#include "common/error.hpp"
#include "common/paths.hpp"
#include "fuzz_support.hpp"

#include <cstddef>
#include <cstdint>

namespace {

// One heading per table, then exactly its entries; a heading carries no entry.
bool ListMatchesTables(const tessary::ArchiveContents &contents) {
  std::size_t line = 0;
  for (const auto &table : contents.tables) {
    if (line >= contents.lines.size())
      return false;
    const auto &heading = contents.lines[line++];
    if (heading.kind != tessary::kKindHeading || heading.entry.id != 0 ||
        heading.entry.offset != 0 || heading.entry.size != 0)
      return false;
    for (std::int32_t e = 0; e < table.entryCount; ++e)
      if (line >= contents.lines.size() || contents.lines[line++].kind == tessary::kKindHeading)
        return false;
  }
  return line == contents.lines.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static tessary::fuzz::ScratchFile scratch("archive");
  scratch.write(data, size);
  try {
    tessary::BoundedFile file(tessary::PathOf(scratch.path()), tessary::ErrorKind::ArchiveRead);
    const auto contents = tessary::ReadArchive(file, [] { return true; });
    if (contents && !ListMatchesTables(*contents))
      __builtin_trap();
  } catch (const tessary::Error &) {
  }
  return 0;
}
