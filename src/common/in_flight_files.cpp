#include "common/in_flight_files.hpp"

#include <csignal>
#include <mutex>
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

} // namespace

// The paths in flight, as a list the handler can walk without allocating or locking: it is
// changed only with the signals held back in the changing thread.
struct InFlightList {
  static InFlightPath *head;
  static std::mutex &lock() {
    static std::mutex m;
    return m;
  }
  static void add(InFlightPath &p) {
    const HeldSignals held;
    const std::lock_guard guard(lock());
    p.next_ = head;
    if (head)
      head->prev_ = &p;
    head = &p;
  }
  static void remove(InFlightPath &p) {
    const HeldSignals held;
    const std::lock_guard guard(lock());
    if (p.prev_)
      p.prev_->next_ = p.next_;
    else
      head = p.next_;
    if (p.next_)
      p.next_->prev_ = p.prev_;
  }
  // Only async-signal-safe calls from here on.
  static void removeAll() {
    for (const InFlightPath *p = head; p; p = p->next_)
      if (p->kind_ == InFlightPath::Kind::file)
        ::unlink(p->path_.c_str());
    // The list is newest first, so a folder comes after the files made in it.
    for (const InFlightPath *p = head; p; p = p->next_)
      if (p->kind_ == InFlightPath::Kind::folder)
        ::rmdir(p->path_.c_str());
  }
};

InFlightPath *InFlightList::head = nullptr;

namespace {

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

InFlightPath::InFlightPath(std::string path, Kind kind) : path_(std::move(path)), kind_(kind) {
  InFlightList::add(*this);
}

InFlightPath::~InFlightPath() { InFlightList::remove(*this); }

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
