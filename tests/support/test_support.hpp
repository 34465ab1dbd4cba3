#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tessary::test {

// A fresh empty folder under the system temporary folder, removed with the object.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::filesystem::path &path() const { return path_; }
  // path / name as a string.
  std::string file(const std::string &name) const;

private:
  std::filesystem::path path_;
};

void WriteFile(const std::string &path, const std::vector<std::uint8_t> &bytes);
void WriteText(const std::string &path, const std::string &text);
std::vector<std::uint8_t> ReadFile(const std::string &path);

// Sets or removes an environment variable of this process, on either system.
void SetEnv(const std::string &name, const std::string &value);
void UnsetEnv(const std::string &name);

} // namespace tessary::test
