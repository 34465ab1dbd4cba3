#include "cli/cli.hpp"
#include "common/in_flight_files.hpp"

#include <iostream>

#include <unistd.h>

int main(int argc, char **argv) {
  // An interrupted call leaves no temporary or half-written file behind.
  tessary::RemoveInFlightFilesOnSignals();
  std::vector<std::string> args(argv + 1, argv + argc);
  return tessary::cli::Run(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
