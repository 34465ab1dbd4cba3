#include "cli/created_folders.hpp"
#include "common/paths.hpp"

#include "common/error.hpp"

namespace tessary::cli {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void SaveFailed(const fs::path &folder, const std::string &detail) {
  throw Error(ErrorKind::Save, TextOf(folder), detail);
}

} // namespace

CreatedFolders::CreatedFolders(const fs::path &folder) {
  std::error_code ec;
  for (fs::path p = folder; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    created_.push_back(p);
    if (p == p.parent_path())
      break;
  }
  // Outermost first, so that an interrupted call removes the innermost first.
  for (auto p = created_.rbegin(); p != created_.rend(); ++p)
    inFlight_.push_back(std::make_unique<InFlightPath>(*p, InFlightPath::Kind::folder));
  fs::create_directories(folder, ec);
  if (ec)
    SaveFailed(folder, "cannot create the folder " + TextOf(folder) + ": " + ec.message());
  if (!fs::is_directory(folder, ec))
    SaveFailed(folder, TextOf(folder) + " is not a folder");
}

CreatedFolders::~CreatedFolders() {
  if (kept_)
    return;
  std::error_code ec;
  for (const auto &p : created_)
    fs::remove(p, ec);
}

} // namespace tessary::cli
