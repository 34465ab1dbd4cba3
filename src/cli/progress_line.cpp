#include "cli/progress_line.hpp"

#include <cmath>
#include <ostream>

namespace tessary::cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// Back to the line's start, then erase to its end: a shorter line leaves nothing of a longer.
constexpr char kRestartLine[] = "\r\x1b[K";

} // namespace

std::string TimeLeftText(double seconds) {
  const auto whole = static_cast<std::int64_t>(std::ceil(std::max(seconds, 0.0)));
  if (whole < 60)
    return std::to_string(whole) + " s";
  return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
}

ProgressLine::ProgressLine(std::ostream &err, bool onTerminal, std::string unit, std::int64_t total)
    : err_(err), shown_(onTerminal), unit_(std::move(unit)), total_(total),
      start_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() { clear(); }

void ProgressLine::update(std::int64_t done) {
  if (!shown_)
    return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_ < kRedrawInterval && done < total_)
    return;
  last_ = now;
  std::string text =
      kRestartLine + std::to_string(done) + " / " + std::to_string(total_) + " " + unit_;
  if (done > 0 && done < total_) {
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double left = elapsed * static_cast<double>(total_ - done) / static_cast<double>(done);
    text += ", about " + TimeLeftText(left) + " left";
  }
  err_ << text << std::flush;
  drawn_ = true;
}

void ProgressLine::clear() {
  if (!drawn_)
    return;
  err_ << kRestartLine << std::flush;
  drawn_ = false;
}

} // namespace tessary::cli
