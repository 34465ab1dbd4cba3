#include "cli/output_checks.hpp"
#include "common/paths.hpp"

#include "archive/extract.hpp"
#include "common/error.hpp"

#include <filesystem>
#include <system_error>

namespace tessary::cli {

void RefuseFolderAsOutput(const std::string &output) {
  std::error_code ec;
  if (std::filesystem::is_directory(PathOf(output), ec))
    throw Error(ErrorKind::Save, output, output + " is a folder; -o must name the file to write");
  if (!output.empty() && (output.back() == '/' || output.back() == '\\'))
    throw Error(ErrorKind::Save, output,
                output + " ends in a folder separator; -o must name the file to "
                         "write, not a folder");
}

} // namespace tessary::cli
