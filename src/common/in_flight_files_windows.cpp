#include "common/in_flight_files.hpp"

#include "common/in_flight_list.hpp"

#include <mutex>

#include <windows.h>

namespace tessary {

namespace {

// Windows calls the console's control handler in a thread of its own, so holding the events
// back means making that thread wait: HeldSignals holds this lock, and so does the handler
// while it cleans up.
std::recursive_mutex &HeldLock() {
  static std::recursive_mutex m;
  return m;
}

BOOL WINAPI RemoveOnControl(DWORD) {
  const std::lock_guard guard(HeldLock());
  InFlightList::removeAll();
  return FALSE; // the default handler then ends the process as it would have
}

} // namespace

void RemoveFileNow(const std::filesystem::path &path) noexcept { ::DeleteFileW(path.c_str()); }

void RemoveFolderNow(const std::filesystem::path &path) noexcept {
  ::RemoveDirectoryW(path.c_str());
}

void RemoveInFlightFilesOnSignals() { ::SetConsoleCtrlHandler(RemoveOnControl, TRUE); }

HeldSignals::HeldSignals() { HeldLock().lock(); }

HeldSignals::~HeldSignals() { HeldLock().unlock(); }

} // namespace tessary
