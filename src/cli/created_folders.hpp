#pragma once

#include "common/in_flight_files.hpp"

#include <filesystem>
#include <memory>
#include <vector>

namespace tessary::cli {

// The output folder of a call that writes a folder of files, with every missing folder on the
// way created. Unless kept, the folders this created are removed again (deepest first, only
// while empty), so a call that fails leaves no empty folder behind; an interrupted call removes
// them too. Throws Error(ErrorKind::Save, folder, detail) when the folder cannot be created or
// names something that is not a folder.
class CreatedFolders {
public:
  explicit CreatedFolders(const std::filesystem::path &folder);
  ~CreatedFolders();
  CreatedFolders(const CreatedFolders &) = delete;
  CreatedFolders &operator=(const CreatedFolders &) = delete;
  void keep() { kept_ = true; }

private:
  std::vector<std::filesystem::path> created_;
  std::vector<std::unique_ptr<InFlightPath>> inFlight_;
  bool kept_ = false;
};

} // namespace tessary::cli
