#include "common/safe_write.hpp"

#include "common/error.hpp"
#include "common/in_flight_files.hpp"
#include "common/paths.hpp"
#include "common/system.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwctype>

#include <windows.h>

namespace tessary {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;

enum class Kind {
  replace, // written beside the target and moved over it
  stream,  // a device (NUL, CON...): written into directly
};

// The same texts the POSIX build gives for the same refusals.
std::string Cause(int err) { return std::strerror(err); }

struct Plan {
  fs::path path;
  Kind kind = Kind::replace;
  bool existed = false;
  DWORD attributes = 0;
  std::string cause; // empty when the target can be written
};

std::wstring Upper(std::wstring text) {
  for (auto &c : text)
    c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

// NUL, CON, COM1... name a device in every folder, whatever follows the dot; \\.\ names one too.
bool IsDeviceName(const fs::path &path) {
  if (path.native().starts_with(L"\\\\.\\"))
    return true;
  const std::wstring stem = Upper(path.filename().native().substr(
      0, std::min(path.filename().native().find(L'.'), path.filename().native().size())));
  static const wchar_t *const kDevices[] = {L"NUL", L"CON", L"PRN", L"AUX", L"CONIN$", L"CONOUT$"};
  if (std::any_of(std::begin(kDevices), std::end(kDevices),
                  [&](const wchar_t *d) { return stem == d; }))
    return true;
  return stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

fs::path FolderOf(const fs::path &path) {
  const fs::path parent = path.parent_path();
  return parent.empty() ? fs::path(L".") : parent;
}

bool FollowLinks(const fs::path &name, Plan &plan) {
  fs::path path = name;
  for (int hop = 0;; ++hop) {
    std::error_code ec;
    const auto status = fs::symlink_status(path, ec);
    if (ec || !fs::is_symlink(status))
      break;
    if (hop == kMaxLinkHops) {
      plan.cause = Cause(ELOOP);
      return false;
    }
    const fs::path link = fs::read_symlink(path, ec);
    if (ec) {
      plan.cause = ec.message();
      return false;
    }
    path = link.is_absolute() ? link : FolderOf(path) / link;
  }
  plan.path = path;
  return true;
}

Plan PlanTarget(const fs::path &name) {
  Plan plan;
  const std::wstring &text = name.native();
  if (text.empty() || text.back() == L'/' || text.back() == L'\\') {
    std::error_code ec;
    plan.cause = fs::is_directory(name, ec) ? Cause(EISDIR) : "this does not name a file";
    return plan;
  }
  if (IsDeviceName(name)) {
    plan.path = name;
    plan.kind = Kind::stream;
    plan.existed = true;
    return plan;
  }
  if (!FollowLinks(name, plan))
    return plan;
  plan.attributes = ::GetFileAttributesW(plan.path.c_str());
  if (plan.attributes != INVALID_FILE_ATTRIBUTES) {
    plan.existed = true;
    if (plan.attributes & FILE_ATTRIBUTE_DIRECTORY)
      plan.cause = Cause(EISDIR);
    else if (plan.attributes & FILE_ATTRIBUTE_READONLY) // as the user asked it to stay
      plan.cause = Cause(EACCES);
    return plan;
  }
  std::error_code ec;
  const fs::path folder = FolderOf(plan.path);
  if (!fs::exists(folder, ec))
    plan.cause = Cause(ENOENT);
  else if (!fs::is_directory(folder, ec))
    plan.cause = Cause(ENOTDIR);
  return plan;
}

fs::path TemporaryNameIn(const fs::path &folder) {
  return folder / PathOf(".tessary-" + sys::RandomLetters(12));
}

void CloseHandleOf(HANDLE &handle) noexcept {
  if (handle != INVALID_HANDLE_VALUE)
    ::CloseHandle(handle);
  handle = INVALID_HANDLE_VALUE;
}

// A second name for the file about to be replaced, so that it can be put back: a hard link
// where the file system has them, else a copy.
fs::path Backup(const fs::path &path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path name = TemporaryNameIn(FolderOf(path));
    if (::CreateHardLinkW(name.c_str(), path.c_str(), nullptr) ||
        ::CopyFileW(path.c_str(), name.c_str(), TRUE))
      return name;
    if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_FILE_EXISTS)
      break;
  }
  return {};
}

} // namespace

struct FileSet::Entry {
  std::string name; // as the caller gave it, for messages
  Plan plan;
  std::unique_ptr<InFlightPath> temporary; // Kind::replace
  HANDLE handle = INVALID_HANDLE_VALUE;
  fs::path backup; // the previous file, during Commit
  bool placed = false;

  ~Entry() {
    CloseHandleOf(handle);
    if (temporary && !placed)
      ::DeleteFileW(temporary->path().c_str());
  }
};

// Defined where Entry is complete: destroying entries_ needs it.
FileSet::FileSet(Errors errors, bool flushToDisk)
    : errors_(std::move(errors)), flush_(flushToDisk) {}

FileSet::~FileSet() { entries_.clear(); }

void FileSet::Add(const fs::path &target) {
  FinishCurrent();
  auto entry = std::make_unique<Entry>();
  entry->name = TextOf(target);
  entry->plan = PlanTarget(target);
  if (!entry->plan.cause.empty())
    Fail(entry->name, entry->plan.cause);
  if (entry->plan.kind == Kind::stream) {
    entry->handle =
        ::CreateFileW(entry->plan.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    for (int attempt = 0; attempt < 100 && entry->handle == INVALID_HANDLE_VALUE; ++attempt) {
      const fs::path name = TemporaryNameIn(FolderOf(entry->plan.path));
      const HeldSignals held; // an interruption between the two would leave the file behind
      entry->handle = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
      if (entry->handle != INVALID_HANDLE_VALUE)
        entry->temporary = std::make_unique<InFlightPath>(name);
      else if (::GetLastError() != ERROR_FILE_EXISTS)
        break;
    }
  }
  if (entry->handle == INVALID_HANDLE_VALUE)
    Fail(entry->name, sys::LastErrorText());
  entries_.push_back(std::move(entry));
}

void FileSet::Write(std::span<const std::uint8_t> bytes) {
  if (entries_.empty() || entries_.back()->handle == INVALID_HANDLE_VALUE)
    Fail(entries_.empty() ? std::string("(none)") : entries_.back()->name,
         "no file is open for writing");
  Entry &entry = *entries_.back();
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(entry.handle, bytes.data(), chunk, &written, nullptr) || written == 0)
      Fail(entry.name, sys::LastErrorText());
    bytes = bytes.subspan(written);
  }
}

void FileSet::FinishCurrent() {
  if (entries_.empty())
    return;
  Entry &entry = *entries_.back();
  if (entry.handle == INVALID_HANDLE_VALUE)
    return;
  const bool flushed =
      !flush_ || entry.plan.kind == Kind::stream || ::FlushFileBuffers(entry.handle);
  const std::string cause = flushed ? std::string() : sys::LastErrorText();
  CloseHandleOf(entry.handle);
  if (!flushed)
    Fail(entry.name, cause);
}

namespace {

void PutBack(FileSet::Entry &entry) noexcept {
  if (!entry.backup.empty()) {
    if (::MoveFileExW(entry.backup.c_str(), entry.plan.path.c_str(), MOVEFILE_REPLACE_EXISTING))
      entry.backup.clear();
  } else if (!entry.plan.existed) {
    ::DeleteFileW(entry.plan.path.c_str());
  }
  entry.placed = false;
  entry.temporary.reset(); // already gone from its temporary name
}

} // namespace

void FileSet::Commit() {
  FinishCurrent();
  const HeldSignals held; // all the files move, or none does
  std::vector<Entry *> moved;
  for (auto &owned : entries_) {
    Entry &entry = *owned;
    if (entry.plan.kind != Kind::replace)
      continue;
    if (entry.plan.existed)
      entry.backup = Backup(entry.plan.path);
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (flush_ ? MOVEFILE_WRITE_THROUGH : 0);
    if (!::MoveFileExW(entry.temporary->path().c_str(), entry.plan.path.c_str(), flags)) {
      const std::string cause = sys::LastErrorText();
      if (!entry.backup.empty())
        ::DeleteFileW(entry.backup.c_str());
      entry.backup.clear();
      for (auto back = moved.rbegin(); back != moved.rend(); ++back)
        PutBack(**back);
      Fail(entry.name, cause);
    }
    entry.placed = true;
    if (entry.plan.existed && entry.plan.attributes != FILE_ATTRIBUTE_NORMAL)
      ::SetFileAttributesW(entry.plan.path.c_str(), entry.plan.attributes); // hidden, say
    moved.push_back(&entry);
  }
  for (auto &entry : entries_) {
    if (!entry->backup.empty())
      ::DeleteFileW(entry->backup.c_str());
    entry->backup.clear();
    entry->temporary.reset();
  }
}

void CheckWritableTargets(const std::vector<fs::path> &targets, ErrorKind kind) {
  for (const auto &target : targets)
    if (const Plan plan = PlanTarget(target); !plan.cause.empty())
      throw Error(kind, TextOf(target), TextOf(target) + ": " + plan.cause);
}

} // namespace tessary
