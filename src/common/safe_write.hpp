#pragma once

#include "common/error.hpp"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tessary {

// How every file of the program is written, alone or as a set that appears all together.
//
// A target is first followed through symbolic links to the file they finally name (a link that
// names nothing yet creates that file). Then:
//  - an existing target that is not a regular file (a FIFO, a device, a standard stream named
//    through /dev/stdout) is written into as it is, never replaced;
//  - a folder, a missing folder or a file the process may not write is refused;
//  - otherwise the new content goes to a short temporary name in the target's own folder and is
//    renamed over the target on Commit(), so no one sees a half-written file; where that folder
//    may not be changed, the content is held aside and written into the file in place on
//    Commit(). A replaced file keeps its mode, and its owner and group where the process may
//    set them; a new file gets 0666 less the umask.
// (On Windows: a target that names a device, such as NUL, is written into as it is; a read-only
// file or a folder is refused; the content is written beside the target and moved over it.)
// Every target of a set is checked when it is added, before anything is replaced; should a
// replacement still fail on Commit(), the files already replaced get their old content back.
// Dropped without Commit(), a set removes its temporary files. Every failure throws
// Error(kind, target, "<target as given>: <the real cause>"[, number, source]).
class FileSet {
public:
  struct Errors {
    ErrorKind kind = ErrorKind::Save;
    int number = 0;
    std::string source;
  };
  // With flushToDisk, Commit() makes the data reach the disk (one sync for the whole set)
  // before anything is renamed into place.
  explicit FileSet(Errors errors, bool flushToDisk = false);
  ~FileSet();
  FileSet(const FileSet &) = delete;
  FileSet &operator=(const FileSet &) = delete;

  // Starts the next file of the set; what follows goes into it. The file before is finished.
  void Add(const std::filesystem::path &target);
  // Paths held as text say how they are to be read: PathOf() takes UTF-8.
  void Add(const std::string &) = delete;
  void Write(std::span<const std::uint8_t> bytes);
  void Write(const std::string &text);
  void Commit();

  struct Entry;

private:
  void FinishCurrent();
  [[noreturn]] void Fail(const std::string &target, const std::string &cause) const;

  Errors errors_;
  bool flush_;
  std::vector<std::unique_ptr<Entry>> entries_;
#ifndef _WIN32
  int spool_ = -1;    // the new content of the files written in place
  int oldSpool_ = -1; // their previous content, while the set is committed
#endif
};

// Throws as FileSet::Add would for the first target that could not be written, creating and
// changing nothing; meant for a call that checks all its outputs before its long work.
void CheckWritableTargets(const std::vector<std::filesystem::path> &targets, ErrorKind kind);

// One file written the same way: content, then Commit(). Dropped without Commit(), nothing at
// the target changes.
class SafeFile {
public:
  SafeFile(const std::filesystem::path &target, ErrorKind kind, bool flushToDisk = false);
  SafeFile(const std::string &, ErrorKind, bool = false) = delete;
  void Write(std::span<const std::uint8_t> bytes) { set_.Write(bytes); }
  void Commit() { set_.Commit(); }

private:
  FileSet set_;
};

// Writes the bytes to the target as a file of its own.
void WriteFileSafely(const std::filesystem::path &target, std::span<const std::uint8_t> bytes,
                     ErrorKind kind, bool flushToDisk = false);
void WriteFileSafely(const std::string &, std::span<const std::uint8_t>, ErrorKind,
                     bool = false) = delete;

} // namespace tessary
