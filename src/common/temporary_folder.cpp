#include "common/temporary_folder.hpp"

#include "common/error.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tessary {

TemporaryFolder::TemporaryFolder(const std::filesystem::path &parent, const std::string &prefix,
                                 const std::string &failureMessage) {
  const std::string pattern = (parent / (prefix + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data()))
    throw Error(failureMessage, "cannot create a temporary folder in " + parent.string() + ": " +
                                    std::strerror(errno));
  path_ = name.data();
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ec; // nothing useful can be done about a folder that will not go
  std::filesystem::remove_all(path_, ec);
}

} // namespace tessary
