#include "cli/archive_commands.hpp"

#include <CLI/CLI.hpp>

namespace tessary::cli {

void AddArchiveCommands(CLI::App &, Context &) {}

} // namespace tessary::cli
