#include "sprite/staged_files.hpp"

#include "common/error.hpp"
#include "sprite/exports.hpp"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace tessary {

namespace {

std::string SystemText(int err) { return std::strerror(err); }

std::string TemporaryNameFor(const std::string &finalName) {
  static std::atomic<unsigned> counter{0};
  return finalName + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// Creates the file exclusively so a temporary name never takes over someone else's file.
std::string CreateTemporaryFile(const std::string &finalName) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = TemporaryNameFor(finalName);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST)
      throw Error(kExportSaveErrorText, finalName + ": " + SystemText(errno));
  }
  throw Error(kExportSaveErrorText, finalName + ": no free temporary name beside it");
}

} // namespace

StagedFiles::~StagedFiles() {
  for (std::size_t i = committed_; i < files_.size(); ++i)
    std::remove(files_[i].first.c_str());
}

std::string StagedFiles::Stage(const std::string &finalName) {
  files_.reserve(files_.size() + 1);
  std::string name = CreateTemporaryFile(finalName);
  files_.emplace_back(name, finalName);
  return name;
}

void StagedFiles::Commit() {
  // The one rename failure that can be foreseen; checking first keeps the set whole.
  for (std::size_t i = committed_; i < files_.size(); ++i) {
    std::error_code ec;
    if (std::filesystem::is_directory(files_[i].second, ec))
      throw Error(kExportSaveErrorText, files_[i].second + ": a folder of that name is in the way");
  }
  for (; committed_ < files_.size(); ++committed_) {
    const auto &[temporary, final] = files_[committed_];
    if (std::rename(temporary.c_str(), final.c_str()) != 0)
      throw Error(kExportSaveErrorText, final + ": " + SystemText(errno));
  }
}

void WriteTextFile(const std::string &fileName, const std::string &text,
                   const std::string &reportedName) {
  std::FILE *file = std::fopen(fileName.c_str(), "wb");
  if (!file)
    throw Error(kExportSaveErrorText, reportedName + ": " + SystemText(errno));
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed)
    throw Error(kExportSaveErrorText,
                reportedName + ": " + SystemText(written ? errno : writeError));
}

} // namespace tessary
