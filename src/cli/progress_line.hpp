#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace tessary::cli {

// The progress of a long call on a terminal: one line, redrawn in place, "done / total unit"
// and an estimate of the time left. Where standard error is not a terminal it prints nothing.
class ProgressLine {
public:
  ProgressLine(std::ostream &err, bool onTerminal, std::string unit, std::int64_t total);
  ~ProgressLine();
  ProgressLine(const ProgressLine &) = delete;
  ProgressLine &operator=(const ProgressLine &) = delete;

  // Redraws the line for `done`; calls closer together than a tenth of a second draw nothing,
  // so a caller may report every step.
  void update(std::int64_t done);
  // Clears the line, so that what is written next starts at the left edge.
  void clear();

private:
  std::ostream &err_;
  bool shown_;
  bool drawn_ = false;
  std::string unit_;
  std::int64_t total_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_{};
};

// "12 s", "3 min 5 s": a time left, rounded up to whole seconds.
std::string TimeLeftText(double seconds);

} // namespace tessary::cli
