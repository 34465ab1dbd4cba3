#include "cli/commands.hpp"

#include <CLI/CLI.hpp>

namespace tessary::cli {

// The sprite calls (frame, sequence, slx, encode) are added here.
void AddSpriteCommands(CLI::App &, Context &) {}

} // namespace tessary::cli
