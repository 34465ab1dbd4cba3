#include "archive/extract.hpp"
#include "common/paths.hpp"

#include "common/error.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tessary {

namespace {

// Large blocks keep the copy quick; the size limit is checked once, up front.
constexpr std::int64_t kExtractBlockSize = 64 * kCopyBlockSize;

void Report(const StatusSink &status, const std::string &text) {
  if (status)
    status(text);
}

// A bad entry is the archive's fault: the errors are about the archive.
void CheckEntryRange(const BoundedFile &archive, const DRSFileInfo &entry, ErrorKind kind) {
  const auto fail = [&](const std::string &detail) { throw Error(kind, archive.path(), detail); };
  if (!archive.isOpen())
    fail("no archive is open");
  if (entry.size < 0)
    fail("resource " + std::to_string(entry.id) + " has a negative size (" +
         std::to_string(entry.size) + ")");
  if (entry.size > kMaxExtractSize)
    fail("resource " + std::to_string(entry.id) + " is " + std::to_string(entry.size) +
         " bytes long; at most " + std::to_string(kMaxExtractSize) + " bytes can be extracted");
  const auto archiveSize = static_cast<std::int64_t>(archive.size());
  if (entry.offset < 0 || entry.offset > archiveSize || entry.size > archiveSize - entry.offset)
    fail("resource " + std::to_string(entry.id) + " (" + std::to_string(entry.size) +
         " bytes at offset " + std::to_string(entry.offset) + ") lies past the end of " +
         archive.path() + " (" + std::to_string(archiveSize) + " bytes)");
}

} // namespace

void RefuseWritingOnto(const std::string &input, const std::string &inputRole,
                       const std::vector<std::string> &outputs) {
  for (const auto &output : outputs) {
    std::error_code ec; // an output that does not exist yet is not the input
    if (std::filesystem::equivalent(PathOf(output), PathOf(input), ec))
      throw Error(ErrorKind::Save, output, output + " is " + inputRole + " itself");
  }
}

void ExtractResourceInto(FileSet &files, const BoundedFile &archive, const std::string &targetPath,
                         const DRSFileInfo &entry) {
  CheckEntryRange(archive, entry, ErrorKind::Save);
  // Writing over the archive would destroy the very bytes being copied.
  RefuseWritingOnto(archive.path(), kOpenArchiveRole, {targetPath});

  files.Add(PathOf(targetPath));
  // entry.size is non-negative (checked above), so both lengths lie in 0..kExtractBlockSize.
  const std::int64_t blockLength = std::min<std::int64_t>(kExtractBlockSize, entry.size);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(blockLength));
  std::int64_t position = entry.offset;
  std::int64_t remaining = entry.size;
  while (remaining > 0) {
    const auto length = static_cast<std::size_t>(std::min(remaining, blockLength));
    const std::span<std::uint8_t> chunk(block.data(), length);
    archive.readAt(static_cast<std::uint64_t>(position), chunk, ErrorKind::Save);
    files.Write(chunk);
    position += static_cast<std::int64_t>(length);
    remaining -= static_cast<std::int64_t>(length);
  }
}

void ExtractResource(const BoundedFile &archive, const std::string &targetPath,
                     const DRSFileInfo &entry, const StatusSink &status) {
  Report(status, kReadingDataStatus);
  // No flush to disk: the bytes can always be copied again from the archive, and a flush per
  // resource would make a selection, or extracting a whole archive, wait on the disk.
  FileSet file({ErrorKind::Save, 0, {}});
  ExtractResourceInto(file, archive, targetPath, entry);
  file.Commit();
  Report(status, kFinishedReadingStatus);
}

std::vector<std::uint8_t> ReadResource(const BoundedFile &archive, const DRSFileInfo &entry,
                                       ErrorKind kind) {
  CheckEntryRange(archive, entry, kind);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(entry.size));
  archive.readAt(static_cast<std::uint64_t>(entry.offset), bytes, kind);
  return bytes;
}

ProposedName ProposedExtractName(std::int32_t id, int kind) {
  const std::string base = std::to_string(id);
  switch (kind) {
  case kKindSprite:
    return {base + ".slp", 3};
  case kKindSound:
    return {base + ".wav", 2};
  case kKindBinary:
    return {base + ".bin", 1};
  default:
    return {base, 4};
  }
}

} // namespace tessary
