#include "archive/replacing_file.hpp"

#include "common/error.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessary {

namespace {

std::string TemporaryPattern(const std::string &target) {
  const std::filesystem::path path(target);
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  // Hidden and unlike any name the program reads or deletes by pattern.
  return (folder / ("." + path.filename().string() + ".tessary-XXXXXX")).string();
}

// mkstemp makes the file 0600; a finished file gets the mode a plain create would give it.
mode_t CreationMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

} // namespace

ReplacingFile::ReplacingFile(std::string targetPath, std::string errorMessage)
    : target_(std::move(targetPath)), errorMessage_(std::move(errorMessage)) {
  if (std::filesystem::path(target_).filename().empty())
    throw Error(errorMessage_, "\"" + target_ + "\" does not name a file");
  std::string pattern = TemporaryPattern(target_);
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkstemp(name.data());
  if (fd_ < 0)
    fail("cannot create a temporary file next to", errno);
  temporary_ = name.data();
  if (::fchmod(fd_, CreationMode()) != 0)
    fail("cannot set the permissions of the temporary file for", errno);
}

ReplacingFile::~ReplacingFile() {
  if (!committed_)
    discard();
}

void ReplacingFile::discard() noexcept {
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty())
    ::unlink(temporary_.c_str());
  temporary_.clear();
}

void ReplacingFile::fail(const std::string &what, int err) const {
  throw Error(errorMessage_, what + " " + target_ + ": " + std::strerror(err));
}

void ReplacingFile::write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0)
    throw Error(errorMessage_, "cannot write " + target_ + ": the file is already closed");
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR)
        continue;
      fail("cannot write", errno);
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
}

void ReplacingFile::commit(bool flushToDisk) {
  if (fd_ < 0)
    throw Error(errorMessage_, "cannot finish " + target_ + ": the file is already closed");
  if (flushToDisk && ::fsync(fd_) != 0)
    fail("cannot flush", errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0)
    fail("cannot finish", errno);
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
    fail("cannot put the finished file in place at", errno);
  committed_ = true;
}

} // namespace tessary
