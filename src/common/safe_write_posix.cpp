#include "common/safe_write.hpp"

#include "common/error.hpp"
#include "common/in_flight_files.hpp"
#include "common/system.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;

enum class Kind {
  replace, // written beside the target and renamed over it
  inPlace, // held aside, then written into the existing file
  stream,  // a FIFO, a device or a standard stream: written into directly
};

std::string Cause(int err) { return std::strerror(err); }

std::string FolderOf(const std::string &path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

bool StartsWith(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

// Links under /proc (/dev/stdout, /dev/fd/N) stand for files already open; they are opened as
// named, since what they point at may not be a path at all.
bool InProcFolder(const std::string &path) {
  char real[PATH_MAX];
  return ::realpath(FolderOf(path).c_str(), real) && StartsWith(real, "/proc/");
}

struct Plan {
  std::string path;
  Kind kind = Kind::replace;
  bool existed = false;
  struct stat old {};
  std::string cause; // empty when the target can be written
};

// Follows the links of `name` to the file they finally name; sets plan.cause on failure.
bool FollowLinks(const std::string &name, Plan &plan) {
  std::string path = name;
  for (int hop = 0;; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT && errno != ENOTDIR) {
        plan.cause = Cause(errno);
        return false;
      }
      break; // a file still to be made (or a folder problem, reported with the folder)
    }
    if (!S_ISLNK(st.st_mode))
      break;
    if (InProcFolder(path)) {
      plan.kind = Kind::stream;
      break;
    }
    if (hop == kMaxLinkHops) {
      plan.cause = Cause(ELOOP);
      return false;
    }
    std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
    const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length < 0) {
      plan.cause = Cause(errno);
      return false;
    }
    link.resize(static_cast<std::size_t>(length));
    path = link.front() == '/' ? link : (fs::path(FolderOf(path)) / link).string();
  }
  plan.path = path;
  return true;
}

// A folder lets its file be replaced when it may be changed, and, when it is sticky, the
// process owns the file or the folder (or may do anything).
bool MayReplaceIn(const std::string &folder, const struct stat &file) {
  struct stat st {};
  if (::access(folder.c_str(), W_OK | X_OK) != 0 || ::stat(folder.c_str(), &st) != 0)
    return false;
  const uid_t me = ::geteuid();
  return !(st.st_mode & S_ISVTX) || me == 0 || file.st_uid == me || st.st_uid == me;
}

void PlanNewFile(Plan &plan) {
  const std::string folder = FolderOf(plan.path);
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0)
    plan.cause = Cause(errno);
  else if (!S_ISDIR(st.st_mode))
    plan.cause = Cause(ENOTDIR);
  else if (::access(folder.c_str(), W_OK | X_OK) != 0)
    plan.cause = Cause(errno);
}

void PlanExistingFile(Plan &plan) {
  if (S_ISDIR(plan.old.st_mode)) {
    plan.cause = Cause(EISDIR);
    return;
  }
  if (!S_ISREG(plan.old.st_mode)) {
    plan.kind = Kind::stream;
    return;
  }
  // A file the user made read-only (or immutable) stays as it is, as it would for any write.
  if (::access(plan.path.c_str(), W_OK) != 0) {
    plan.cause = Cause(errno);
    return;
  }
  plan.kind = MayReplaceIn(FolderOf(plan.path), plan.old) ? Kind::replace : Kind::inPlace;
}

Plan PlanTarget(const std::string &name) {
  Plan plan;
  if (name.empty() || name.back() == '/') {
    struct stat st {};
    plan.cause = ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)
                     ? Cause(EISDIR)
                     : "this does not name a file";
    return plan;
  }
  if (!FollowLinks(name, plan))
    return plan;
  if (plan.kind == Kind::stream) { // opened as named; only a folder is refused
    struct stat st {};
    if (::stat(plan.path.c_str(), &st) != 0)
      plan.cause = Cause(errno);
    else if (S_ISDIR(st.st_mode))
      plan.cause = Cause(EISDIR);
    plan.existed = true;
    plan.old = st;
    return plan;
  }
  if (::lstat(plan.path.c_str(), &plan.old) == 0) {
    plan.existed = true;
    PlanExistingFile(plan);
  } else if (errno == ENOENT) {
    PlanNewFile(plan);
  } else {
    plan.cause = Cause(errno);
  }
  return plan;
}

// The mask is read once: reading it means setting it, and threads writing files at the same
// time must never see it changed under them.
mode_t NewFileMode() {
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return 0666 & ~mask;
}

// 0 when every byte was written, else the errno value of the failure.
int WriteAll(int fd, const std::uint8_t *data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return n < 0 ? errno : EIO;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

// A stretch of a spool file: the bytes of one file of the set, kept aside.
struct Held {
  int fd = -1; // the set's spool; not owned
  off_t start = 0;
  off_t length = 0;
};

// Copies `length` bytes of `from` from `start` (all that follows, with length -1) into `to` at
// its current position; adds the number copied to *copied when given.
int CopyRange(int from, off_t start, off_t length, int to, off_t *copied = nullptr) {
  std::vector<std::uint8_t> block(1 << 16);
  for (off_t done = 0; length < 0 || done < length;) {
    const auto want = length < 0 ? block.size()
                                 : static_cast<std::size_t>(std::min<off_t>(
                                       length - done, static_cast<off_t>(block.size())));
    const ssize_t n = ::pread(from, block.data(), want, start + done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return errno;
    if (n == 0)
      return length < 0 ? 0 : EIO;
    if (const int err = WriteAll(to, block.data(), static_cast<std::size_t>(n)); err != 0)
      return err;
    done += n;
    if (copied)
      *copied += n;
  }
  return 0;
}

// Opens the set's spool on first use: one memory file for all, so that a large set written in
// place needs no descriptor per file.
int Spool(int &fd) {
  if (fd < 0)
    fd = ::memfd_create("tessary", MFD_CLOEXEC);
  return fd;
}

int SpoolEnd(int fd, off_t &end) {
  end = ::lseek(fd, 0, SEEK_END);
  return end < 0 ? errno : 0;
}

// A short hidden name unlike any the program reads, so that any target name the file system
// accepts can have its temporary beside it.
std::string TemporaryNameIn(const std::string &folder) {
  return (fs::path(folder) / (".tessary-" + sys::RandomLetters(6))).string();
}

void CloseFd(int &fd) noexcept {
  if (fd >= 0)
    ::close(fd);
  fd = -1;
}

} // namespace

struct FileSet::Entry {
  std::string name; // as the caller gave it, for messages
  Plan plan;
  std::unique_ptr<InFlightPath> temporary; // Kind::replace
  int fd = -1;                             // where the content goes while it is written
  Held content;                            // Kind::inPlace: the new content, until Commit
  Held oldContent;                         // Kind::inPlace: the previous content, during Commit
  std::string backup;                      // Kind::replace: the previous file, during Commit
  bool placed = false;

  ~Entry() {
    CloseFd(fd);
    // A backup still here could not be put back: it is kept, as the only copy left.
    if (temporary && !placed)
      ::unlink(temporary->path().c_str());
  }
};

// Defined where Entry is complete: destroying entries_ needs it.
FileSet::FileSet(Errors errors, bool flushToDisk)
    : errors_(std::move(errors)), flush_(flushToDisk) {}

FileSet::~FileSet() {
  entries_.clear(); // before the spools their entries point into
  CloseFd(spool_);
  CloseFd(oldSpool_);
}

void FileSet::Add(const std::filesystem::path &file) {
  const std::string &target = file.native(); // the bytes as given, which messages show too
  FinishCurrent();
  auto entry = std::make_unique<Entry>();
  entry->name = target;
  entry->plan = PlanTarget(target);
  if (!entry->plan.cause.empty())
    Fail(target, entry->plan.cause);
  switch (entry->plan.kind) {
  case Kind::replace: {
    std::string name = TemporaryNameIn(FolderOf(entry->plan.path)) + "XXXXXX";
    {
      const HeldSignals held; // an interruption between the two would leave the file behind
      entry->fd = ::mkostemp(name.data(), O_CLOEXEC);
      if (entry->fd >= 0)
        entry->temporary = std::make_unique<InFlightPath>(name);
    }
    if (entry->fd < 0)
      Fail(target, Cause(errno));
    const struct stat &old = entry->plan.old;
    if (entry->plan.existed) // the owner first: changing it may clear the set-id bits
      (void)::fchown(entry->fd, old.st_uid, old.st_gid);
    const mode_t mode = entry->plan.existed ? (old.st_mode & 07777) : NewFileMode();
    if (::fchmod(entry->fd, mode) != 0)
      Fail(target, Cause(errno));
    break;
  }
  case Kind::inPlace:
    entry->content.fd = Spool(spool_);
    if (entry->content.fd < 0 || SpoolEnd(spool_, entry->content.start) != 0)
      Fail(target, Cause(errno));
    entry->fd = spool_;
    break;
  case Kind::stream: {
    const int truncate = S_ISREG(entry->plan.old.st_mode) ? O_TRUNC : 0;
    entry->fd = ::open(entry->plan.path.c_str(), O_WRONLY | O_CLOEXEC | truncate);
    if (entry->fd < 0)
      Fail(target, Cause(errno));
    break;
  }
  }
  entries_.push_back(std::move(entry));
}

void FileSet::Write(std::span<const std::uint8_t> bytes) {
  if (entries_.empty() || entries_.back()->fd < 0)
    Fail(entries_.empty() ? std::string("(none)") : entries_.back()->name,
         "no file is open for writing");
  Entry &entry = *entries_.back();
  if (const int err = WriteAll(entry.fd, bytes.data(), bytes.size()); err != 0)
    Fail(entry.name, Cause(err));
}

void FileSet::FinishCurrent() {
  if (entries_.empty())
    return;
  Entry &entry = *entries_.back();
  if (entry.fd < 0)
    return;
  if (entry.plan.kind == Kind::inPlace) { // the spool stays open for the files after it
    off_t end = 0;
    if (SpoolEnd(spool_, end) != 0)
      Fail(entry.name, Cause(errno));
    entry.content.length = end - entry.content.start;
    entry.fd = -1;
    return;
  }
  const int fd = entry.fd;
  entry.fd = -1;
  if (::close(fd) != 0 && errno != EINTR)
    Fail(entry.name, Cause(errno));
}

namespace {

// One sync for the set: each file system holding one of its folders is synced once.
void SyncFolders(const std::vector<std::string> &folders) {
  std::set<dev_t> synced;
  for (const auto &folder : folders) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !synced.insert(st.st_dev).second)
      continue;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      (void)::syncfs(fd);
      ::close(fd);
    }
  }
}

// A second name for the file about to be replaced, so that it can be put back.
std::string LinkBackup(const std::string &path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TemporaryNameIn(FolderOf(path)) + sys::RandomLetters(6);
    if (::link(path.c_str(), name.c_str()) == 0)
      return name;
    if (errno != EEXIST)
      break;
  }
  return {};
}

// Writes the held content into the file in place, keeping its previous content aside.
int WriteInPlace(FileSet::Entry &entry, int &oldSpool) {
  const int current = ::open(entry.plan.path.c_str(), O_RDWR | O_CLOEXEC);
  if (current < 0)
    return errno;
  Held &old = entry.oldContent;
  old.fd = Spool(oldSpool);
  int err = old.fd < 0 ? errno : SpoolEnd(old.fd, old.start);
  if (err == 0)
    err = CopyRange(current, 0, -1, old.fd, &old.length);
  if (err == 0) {
    entry.placed = true; // from here on the file changes, so a failure puts it back
    if (::lseek(current, 0, SEEK_SET) != 0 || ::ftruncate(current, 0) != 0)
      err = errno;
  }
  if (err == 0)
    err = CopyRange(entry.content.fd, entry.content.start, entry.content.length, current);
  if (::close(current) != 0 && err == 0 && errno != EINTR)
    err = errno;
  return err;
}

void PutBack(FileSet::Entry &entry) noexcept {
  if (entry.plan.kind == Kind::inPlace) {
    const int fd = ::open(entry.plan.path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd >= 0) {
      const Held &old = entry.oldContent;
      if (old.fd >= 0)
        (void)CopyRange(old.fd, old.start, old.length, fd);
      ::close(fd);
    }
  } else if (!entry.backup.empty()) {
    std::error_code ec;
    fs::rename(entry.backup, entry.plan.path, ec);
    if (!ec)
      entry.backup.clear();
  } else if (!entry.plan.existed) {
    ::unlink(entry.plan.path.c_str());
  }
  entry.placed = false;
  entry.temporary.reset(); // already gone from its temporary name
}

} // namespace

void FileSet::Commit() {
  FinishCurrent();
  if (flush_) {
    std::vector<std::string> folders;
    for (const auto &entry : entries_)
      if (entry->plan.kind == Kind::replace)
        folders.push_back(FolderOf(entry->plan.path));
    SyncFolders(folders);
  }
  const HeldSignals held; // all the files move, or none does
  // Renames first: they can be taken back exactly. Files written in place come after.
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i]->plan.kind == Kind::replace)
      order.push_back(i);
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i]->plan.kind == Kind::inPlace)
      order.push_back(i);
  for (std::size_t step = 0; step < order.size(); ++step) {
    Entry &entry = *entries_[order[step]];
    std::string cause;
    if (entry.plan.kind == Kind::replace) {
      if (entry.plan.existed)
        entry.backup = LinkBackup(entry.plan.path);
      std::error_code ec;
      fs::rename(entry.temporary->path(), entry.plan.path, ec);
      if (ec)
        cause = ec.message();
      else
        entry.placed = true;
    } else if (const int err = WriteInPlace(entry, oldSpool_); err != 0) {
      cause = Cause(err);
    }
    if (!cause.empty()) {
      if (entry.placed)
        PutBack(entry);
      for (std::size_t back = step; back-- > 0;)
        PutBack(*entries_[order[back]]);
      Fail(entry.name, cause);
    }
  }
  for (auto &entry : entries_) {
    if (!entry->backup.empty())
      ::unlink(entry->backup.c_str());
    entry->backup.clear();
    entry->temporary.reset();
  }
}

void CheckWritableTargets(const std::vector<std::filesystem::path> &targets, ErrorKind kind) {
  for (const auto &target : targets)
    if (const Plan plan = PlanTarget(target.native()); !plan.cause.empty())
      throw Error(kind, target.native(), target.native() + ": " + plan.cause);
}

} // namespace tessary
