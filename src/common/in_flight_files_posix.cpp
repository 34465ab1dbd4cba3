#include "common/in_flight_files.hpp"

#include "common/in_flight_list.hpp"

#include <csignal>
#include <pthread.h>
#include <unistd.h>

namespace tessary {

namespace {

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t CleanedSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kCleanedSignals)
    sigaddset(&set, sig);
  return set;
}

extern "C" void RemoveAndRaise(int sig) {
  InFlightList::removeAll();
  std::signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  ::raise(sig);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

} // namespace

void RemoveFileNow(const std::filesystem::path &path) noexcept { ::unlink(path.c_str()); }

void RemoveFolderNow(const std::filesystem::path &path) noexcept { ::rmdir(path.c_str()); }

void RemoveInFlightFilesOnSignals() {
  for (int sig : kCleanedSignals) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
      continue;
    struct sigaction action {};
    action.sa_handler = RemoveAndRaise;
    sigemptyset(&action.sa_mask);
    for (int other : kCleanedSignals)
      sigaddset(&action.sa_mask, other);
    ::sigaction(sig, &action, nullptr);
  }
}

HeldSignals::HeldSignals() {
  const sigset_t set = CleanedSignalSet();
  ::pthread_sigmask(SIG_BLOCK, &set, &saved_);
}

HeldSignals::~HeldSignals() { ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

} // namespace tessary
