#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace tessary::fuzz {

// One file per process that each input is written to, for the readers that take a path.
class ScratchFile {
public:
  explicit ScratchFile(const std::string &name)
      : path_((std::filesystem::temp_directory_path() /
               ("tessary-fuzz-" + name + "-" + std::to_string(::getpid())))
                  .string()) {}
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
  std::string path_;
};

} // namespace tessary::fuzz
