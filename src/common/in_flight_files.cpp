#include "common/in_flight_files.hpp"

#include "common/in_flight_list.hpp"

#include <mutex>

namespace tessary {

namespace {
std::mutex &ListLock() {
  static std::mutex m;
  return m;
}
} // namespace

InFlightPath *InFlightList::head = nullptr;

void InFlightList::add(InFlightPath &p) {
  const HeldSignals held;
  const std::lock_guard guard(ListLock());
  p.next_ = head;
  if (head)
    head->prev_ = &p;
  head = &p;
}

void InFlightList::remove(InFlightPath &p) {
  const HeldSignals held;
  const std::lock_guard guard(ListLock());
  if (p.prev_)
    p.prev_->next_ = p.next_;
  else
    head = p.next_;
  if (p.next_)
    p.next_->prev_ = p.prev_;
}

void InFlightList::removeAll() noexcept {
  for (const InFlightPath *p = head; p; p = p->next_)
    if (p->kind_ == InFlightPath::Kind::file)
      RemoveFileNow(p->path_);
  // The list is newest first, so a folder comes after the files made in it.
  for (const InFlightPath *p = head; p; p = p->next_)
    if (p->kind_ == InFlightPath::Kind::folder)
      RemoveFolderNow(p->path_);
}

InFlightPath::InFlightPath(std::filesystem::path path, Kind kind)
    : path_(std::move(path)), kind_(kind) {
  InFlightList::add(*this);
}

InFlightPath::~InFlightPath() { InFlightList::remove(*this); }

} // namespace tessary
