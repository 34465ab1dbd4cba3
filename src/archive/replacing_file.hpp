#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tessary {

// A file written under a unique temporary name in the target's folder and renamed over the
// target only by commit(), so a reader never sees it half-written and a failed write leaves any
// previous file at the target untouched. Dropped without commit(), the temporary is removed.
// Every failure throws Error(errorMessage, detail).
class ReplacingFile {
public:
  ReplacingFile(std::string targetPath, std::string errorMessage);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile &) = delete;
  ReplacingFile &operator=(const ReplacingFile &) = delete;

  void write(std::span<const std::uint8_t> bytes);
  // Renames the temporary over the target; with flushToDisk the data reaches the disk first,
  // so even a power cut cannot leave a short file under the target's name.
  void commit(bool flushToDisk = true);

  const std::string &targetPath() const { return target_; }
  const std::string &temporaryPath() const { return temporary_; }

private:
  [[noreturn]] void fail(const std::string &what, int err) const;
  void discard() noexcept;

  std::string target_;
  std::string errorMessage_;
  std::string temporary_;
  int fd_ = -1;
  bool committed_ = false;
};

} // namespace tessary
