// Reads arbitrary bytes as an archive and builds its list: any input must end in a list or a
// tessary::Error, never a crash, a hang or an out-of-bounds read.
#include "archive/read_archive.hpp"
#include "common/error.hpp"
#include "fuzz_support.hpp"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static tessary::fuzz::ScratchFile scratch("archive");
  scratch.write(data, size);
  try {
    tessary::BoundedFile file(scratch.path(), tessary::ErrorKind::ArchiveRead);
    const auto contents = tessary::ReadArchive(file, [] { return true; });
    if (contents && contents->files.size() != contents->lines.size())
      __builtin_trap(); // every list line must have its entry
  } catch (const tessary::Error &) {
  }
  return 0;
}
