#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace tessary::fuzz {

// One file per process that each input is written to, for the readers that take a path. It
// lives in memory (/dev/shm) where there is such a folder: a disk file per input would slow
// the fuzzer several times over.
class ScratchFile {
public:
  explicit ScratchFile(const std::string &name)
      : path_((Folder() / ("tessary-fuzz-" + name + "-" + std::to_string(::getpid()))).string()) {}
  ~ScratchFile() { std::remove(path_.c_str()); }

  void write(const std::uint8_t *data, std::size_t size) const {
    std::FILE *f = std::fopen(path_.c_str(), "wb");
    if (!f)
      std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
      std::abort();
    std::fclose(f);
  }
  const std::string &path() const { return path_; }

private:
  static std::filesystem::path Folder() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0)
      return "/dev/shm";
    return std::filesystem::temp_directory_path();
  }

  std::string path_;
};

} // namespace tessary::fuzz
