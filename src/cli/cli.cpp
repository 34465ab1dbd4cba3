#include "cli/cli.hpp"

#include <ostream>

namespace tessary::cli {

int Run(const std::vector<std::string> &args, std::ostream &, std::ostream &err) {
  (void)args;
  err << "not built yet\n";
  return 2;
}

} // namespace tessary::cli
