#pragma once

#include <filesystem>
#include <string>

namespace tessary {

// A fresh folder of its own, made inside `parent` as prefix + six random characters (mkdtemp:
// mode 0700, never an existing folder), and removed with everything in it when the object goes.
// Work written into it first cannot be seen half-done under a name anyone asked for.
class TemporaryFolder {
public:
  // Throws Error(failureMessage, detail naming parent and the system's reason) when the folder
  // cannot be made.
  TemporaryFolder(const std::filesystem::path &parent, const std::string &prefix,
                  const std::string &failureMessage);
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder &) = delete;
  TemporaryFolder &operator=(const TemporaryFolder &) = delete;

  const std::filesystem::path &path() const { return path_; }
  // The path of `name` inside the folder.
  std::string file(const std::string &name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

} // namespace tessary
