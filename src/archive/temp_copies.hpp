#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tessary {

// Who made a temporary copy: a process, and a window within it. Both are written into the copy's
// name, so a window removes only its own copies and a later start can tell copies whose process
// has gone from those of a window still running.
struct CopyOwner {
  long pid = 0;
  int instance = 0;
  bool operator==(const CopyOwner &) const = default;
};

// The window `instance` of this process.
CopyOwner ThisProcessOwner(int instance);

// workFolder (ending in a separator) + "_drs" + hundredths + "_" + pid + "_" + instance + "_" +
// sequence + ".drx".
std::string TempResourceName(const std::string &workFolder, long hundredths, const CopyOwner &owner,
                             unsigned sequence);

// Whether a file name is one of the temporary copies' pattern, "_drs*.drx".
bool IsTempResourceName(const std::string &fileName);

// The owner written into a copy's file name; nothing for a name of any other form (a copy made by
// an older version, say).
std::optional<CopyOwner> TempResourceOwner(const std::string &fileName);

// Deletes the "_drs*.drx" files directly in workFolder for which `take(fileName)` says yes;
// failures are ignored. A folder of such a name is left alone, and a link is removed, never its
// target. Returns how many were deleted.
int RemoveTempResourceFiles(const std::string &workFolder,
                            const std::function<bool(const std::string &fileName)> &take);

// Whether a process of that id runs (or may: one we may not signal counts as running).
bool ProcessRuns(long pid);

// Deletes the copies whose owning process no longer runs, going by `runs`. Copies of a running
// process, and copies whose name carries no owner, stay.
int RemoveOrphanedTempResourceFiles(const std::string &workFolder,
                                    const std::function<bool(long pid)> &runs = ProcessRuns);

// The temporary copies of one window.
class TempCopies {
public:
  TempCopies() = default;
  // An empty workFolder means there is no private folder to use; `unavailable` says why.
  TempCopies(std::string workFolder, CopyOwner owner, std::string unavailable = {});

  // A fresh copy name, claimed by creating the file empty (only if it did not exist, never
  // through a link), so no other window or process can be handed the same name. Checks again
  // that the folder is private before writing in it. Throws Error(ErrorKind::Save, ...).
  std::string claim(long hundredths);
  // A file of another name in the working folder (a palette written from a resource), after the
  // same check as claim(). Throws Error(ErrorKind::Save, ...).
  std::string pathFor(const std::string &fileName) const;
  // Deletes this window's copies, and only those. Returns how many.
  int removeOwn() const;

  const std::string &folder() const { return folder_; }
  const CopyOwner &owner() const { return owner_; }

private:
  void checkFolder() const;

  std::string folder_;
  CopyOwner owner_;
  std::string unavailable_;
  unsigned sequence_ = 0;
};

} // namespace tessary
