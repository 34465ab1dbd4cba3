#pragma once

#include "common/error.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

// Untrusted bytes (archives, sprites) are only ever read through these two types. Every read
// names its position and length and is checked against the data's real size first; a read that
// would leave the data throws tessary::Error of the caller's kind, about the file or data read,
// with a detail naming the offending offset.
namespace tessary {

// A file opened read-only, with its length known at open time. Reads are positioned (they name
// their absolute offset), so one open file can serve many readers.
class BoundedFile {
public:
  BoundedFile() = default;
  // Throws Error(kind, path, detail) when the file cannot be opened or sized, and when it is
  // not a regular file (a folder, a FIFO, a device): such a file is refused without waiting.
  BoundedFile(const std::filesystem::path &path, ErrorKind kind);
  // Paths held as text say how they are to be read: PathOf() takes UTF-8.
  BoundedFile(const std::string &, ErrorKind) = delete;

  bool isOpen() const { return file_ != nullptr; }
  const std::string &path() const { return path_; }
  std::uint64_t size() const { return size_; }
  void close();

  // Reads exactly out.size() bytes at offset. Throws Error(kind, path, detail) when the range
  // lies (partly) outside the file or the system read fails.
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out, ErrorKind kind) const;

private:
  struct Closer {
    void operator()(std::FILE *f) const noexcept { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::string path_;
  std::uint64_t size_ = 0;
};

// A cursor over bytes held in memory. Little-endian integer reads; every read is bounds-checked.
class ByteReader {
public:
  // subject names the data in errors (the file or entry it came from).
  ByteReader(std::span<const std::uint8_t> data, ErrorKind kind, std::string subject)
      : data_(data), kind_(kind), subject_(std::move(subject)) {}

  std::size_t size() const { return data_.size(); }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }
  bool atEnd() const { return pos_ >= data_.size(); }

  // Moves the cursor; throws when offset lies past the end (offset == size is allowed).
  void seek(std::int64_t offset, const char *what);
  // True when [offset, offset + length) lies inside the data.
  bool contains(std::int64_t offset, std::int64_t length) const;

  std::uint8_t u8(const char *what);
  std::int16_t i16(const char *what);
  std::int32_t i32(const char *what);
  void bytes(std::span<std::uint8_t> out, const char *what);

  // Positioned reads that leave the cursor alone.
  std::int16_t i16At(std::int64_t offset, const char *what) const;
  std::int32_t i32At(std::int64_t offset, const char *what) const;

  [[noreturn]] void fail(const std::string &detail) const;

private:
  void need(std::int64_t offset, std::int64_t length, const char *what) const;

  std::span<const std::uint8_t> data_;
  ErrorKind kind_;
  std::string subject_;
  std::size_t pos_ = 0;
};

// Little-endian decoding of raw bytes (no bounds checks: callers pass spans of known length).
inline std::int32_t LoadI32(const std::uint8_t *p) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
      (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
}
inline std::int16_t LoadI16(const std::uint8_t *p) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
inline void StoreI32(std::uint8_t *p, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  p[0] = static_cast<std::uint8_t>(u);
  p[1] = static_cast<std::uint8_t>(u >> 8);
  p[2] = static_cast<std::uint8_t>(u >> 16);
  p[3] = static_cast<std::uint8_t>(u >> 24);
}
inline void StoreI16(std::uint8_t *p, std::int16_t v) {
  const auto u = static_cast<std::uint16_t>(v);
  p[0] = static_cast<std::uint8_t>(u);
  p[1] = static_cast<std::uint8_t>(u >> 8);
}

// Reads a whole file into memory, refusing files larger than maxBytes. Throws
// Error(kind, path, detail) on any failure.
std::string ReadWholeFile(const std::filesystem::path &path, std::uint64_t maxBytes,
                          ErrorKind kind);
std::string ReadWholeFile(const std::string &, std::uint64_t, ErrorKind) = delete;

} // namespace tessary
