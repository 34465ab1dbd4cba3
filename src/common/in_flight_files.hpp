#pragma once

#include <filesystem>
#ifndef _WIN32
#include <signal.h>
#endif

namespace tessary {

// A temporary file (or a folder made for a call) that must not outlive an interrupted call.
// While the object lives its path is listed where the signal handler installed by
// RemoveInFlightFilesOnSignals() finds it: on SIGINT, SIGTERM or SIGHUP that handler deletes
// every listed file (and every listed folder that is empty), then ends the process with the
// signal's default action, so the caller sees the usual status (130, 143...). On Windows the
// same is done for Ctrl+C, Ctrl+Break and the closing of the console window.
class InFlightPath {
public:
  enum class Kind { file, folder };
  explicit InFlightPath(std::filesystem::path path, Kind kind = Kind::file);
  ~InFlightPath();
  InFlightPath(const InFlightPath &) = delete;
  InFlightPath &operator=(const InFlightPath &) = delete;

  const std::filesystem::path &path() const { return path_; }

private:
  friend struct InFlightList;
  std::filesystem::path path_;
  Kind kind_;
  InFlightPath *prev_ = nullptr;
  InFlightPath *next_ = nullptr;
};

// Installs the clean-up handler for SIGINT, SIGTERM and SIGHUP. Meant for a single-threaded
// program such as the command line; a signal that is ignored (nohup, a background job's
// SIGINT) stays ignored.
void RemoveInFlightFilesOnSignals();

// Holds SIGINT, SIGTERM and SIGHUP back in this thread while it lives, so that a short run of
// steps (moving a set of finished files into place) is never cut in half; a signal that came
// meanwhile is handled when the object goes.
class HeldSignals {
public:
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals &) = delete;
  HeldSignals &operator=(const HeldSignals &) = delete;

private:
#ifndef _WIN32
  sigset_t saved_;
#endif
};

} // namespace tessary
