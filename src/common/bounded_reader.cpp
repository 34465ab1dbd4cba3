#include "common/bounded_reader.hpp"

#include "common/error.hpp"
#include "common/paths.hpp"

#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace tessary {

namespace {
std::string SystemText(int err) { return err ? std::string(std::strerror(err)) : std::string(); }

// Archives may be larger than a 32-bit long can count (Windows' long is 32 bits).
bool SeekTo(std::FILE *file, std::uint64_t offset) {
#ifdef _WIN32
  return offset <= static_cast<std::uint64_t>(std::numeric_limits<__int64>::max()) &&
         _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
  return offset <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
         ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}
} // namespace

namespace {

// What a file that is not a plain file is, for the message that refuses it.
std::string KindOfSpecialFile(unsigned mode) {
  if (S_ISDIR(mode))
    return "a folder";
#ifdef S_ISFIFO
  if (S_ISFIFO(mode))
    return "a FIFO";
#endif
#ifdef S_ISCHR
  if (S_ISCHR(mode))
    return "a device";
#endif
#ifdef S_ISBLK
  if (S_ISBLK(mode))
    return "a device";
#endif
#ifdef S_ISSOCK
  if (S_ISSOCK(mode))
    return "a socket";
#endif
  return "a special file";
}

// Only a regular file has a length to bound the reads by: a FIFO or a device would block or
// never end, and a folder reports a nonsense size.
void RequireRegularFile(unsigned mode, const std::string &path, ErrorKind kind) {
  if (!S_ISREG(mode))
    throw Error(kind, path,
                path + " is not a regular file (it is " + KindOfSpecialFile(mode) + ")");
}

} // namespace

BoundedFile::BoundedFile(const std::filesystem::path &file, ErrorKind kind) : path_(TextOf(file)) {
  const std::string &path = path_;
#ifdef _WIN32
  errno = 0;
  file_.reset(_wfopen(file.c_str(), L"rb"));
  if (!file_)
    throw Error(kind, path, "cannot open " + path + ": " + SystemText(errno));
  struct _stat64 info {};
  if (_fstat64(_fileno(file_.get()), &info) != 0)
    throw Error(kind, path, "cannot size " + path + ": " + SystemText(errno));
  RequireRegularFile(static_cast<unsigned>(info.st_mode), path, kind);
#else
  // Opened without blocking so that a FIFO with no writer cannot stop the call here; the flag
  // is cleared again once the file is known to be a regular one.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno; // before the message's strings are made
    throw Error(kind, path, "cannot open " + path + ": " + SystemText(error));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    throw Error(kind, path, "cannot size " + path + ": " + SystemText(error));
  }
  if (!S_ISREG(info.st_mode))
    ::close(fd);
  RequireRegularFile(static_cast<unsigned>(info.st_mode), path, kind);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0)
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  file_.reset(::fdopen(fd, "rb"));
  if (!file_) {
    const int error = errno;
    ::close(fd);
    throw Error(kind, path, "cannot open " + path + ": " + SystemText(error));
  }
#endif
  if (info.st_size < 0)
    throw Error(kind, path, "cannot size " + path);
  size_ = static_cast<std::uint64_t>(info.st_size);
}

void BoundedFile::close() {
  file_.reset();
  size_ = 0;
}

void BoundedFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out, ErrorKind kind) const {
  if (!file_)
    throw Error(kind, path_, "no file is open");
  if (offset > size_ || out.size() > size_ - offset)
    throw Error(kind, path_,
                "read of " + std::to_string(out.size()) + " bytes at offset " +
                    std::to_string(offset) + " lies past the end of " + path_ + " (" +
                    std::to_string(size_) + " bytes)");
  if (out.empty())
    return;
  if (!SeekTo(file_.get(), offset))
    throw Error(kind, path_, "cannot seek to offset " + std::to_string(offset) + " in " + path_);
  if (std::fread(out.data(), 1, out.size(), file_.get()) != out.size())
    throw Error(kind, path_,
                "cannot read " + std::to_string(out.size()) + " bytes at offset " +
                    std::to_string(offset) + " in " + path_);
}

void ByteReader::fail(const std::string &detail) const { throw Error(kind_, subject_, detail); }

bool ByteReader::contains(std::int64_t offset, std::int64_t length) const {
  const auto size = static_cast<std::int64_t>(data_.size());
  return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
}

void ByteReader::need(std::int64_t offset, std::int64_t length, const char *what) const {
  if (!contains(offset, length))
    fail(std::string(what) + " at offset " + std::to_string(offset) + " (" +
         std::to_string(length) + " bytes) lies outside the data (" + std::to_string(data_.size()) +
         " bytes)");
}

void ByteReader::seek(std::int64_t offset, const char *what) {
  need(offset, 0, what);
  pos_ = static_cast<std::size_t>(offset);
}

std::uint8_t ByteReader::u8(const char *what) {
  need(static_cast<std::int64_t>(pos_), 1, what);
  return data_[pos_++];
}

std::int16_t ByteReader::i16(const char *what) {
  const auto v = i16At(static_cast<std::int64_t>(pos_), what);
  pos_ += 2;
  return v;
}

std::int32_t ByteReader::i32(const char *what) {
  const auto v = i32At(static_cast<std::int64_t>(pos_), what);
  pos_ += 4;
  return v;
}

void ByteReader::bytes(std::span<std::uint8_t> out, const char *what) {
  need(static_cast<std::int64_t>(pos_), static_cast<std::int64_t>(out.size()), what);
  if (!out.empty())
    std::memcpy(out.data(), data_.data() + pos_, out.size());
  pos_ += out.size();
}

std::int16_t ByteReader::i16At(std::int64_t offset, const char *what) const {
  need(offset, 2, what);
  return LoadI16(data_.data() + offset);
}

std::int32_t ByteReader::i32At(std::int64_t offset, const char *what) const {
  need(offset, 4, what);
  return LoadI32(data_.data() + offset);
}

std::string ReadWholeFile(const std::filesystem::path &name, std::uint64_t maxBytes,
                          ErrorKind kind) {
  BoundedFile file(name, kind);
  const std::string &path = file.path();
  if (file.size() > maxBytes)
    throw Error(kind, path,
                path + " is " + std::to_string(file.size()) + " bytes long, more than the " +
                    std::to_string(maxBytes) + " this reads");
  std::string bytes(static_cast<std::size_t>(file.size()), '\0');
  file.readAt(0, {reinterpret_cast<std::uint8_t *>(bytes.data()), bytes.size()}, kind);
  return bytes;
}

} // namespace tessary
