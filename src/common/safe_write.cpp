#include "common/safe_write.hpp"

namespace tessary {

void FileSet::Fail(const std::string &target, const std::string &cause) const {
  throw Error(errors_.kind, target, target + ": " + cause, errors_.number, errors_.source);
}

void FileSet::Write(const std::string &text) {
  Write({reinterpret_cast<const std::uint8_t *>(text.data()), text.size()});
}

SafeFile::SafeFile(const std::filesystem::path &target, ErrorKind kind, bool flushToDisk)
    : set_(FileSet::Errors{kind, 0, {}}, flushToDisk) {
  set_.Add(target);
}

void WriteFileSafely(const std::filesystem::path &target, std::span<const std::uint8_t> bytes,
                     ErrorKind kind, bool flushToDisk) {
  SafeFile file(target, kind, flushToDisk);
  file.Write(bytes);
  file.Commit();
}

} // namespace tessary
