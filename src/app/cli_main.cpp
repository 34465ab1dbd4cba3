#include "cli/cli.hpp"
#include "common/in_flight_files.hpp"
#include "common/system.hpp"

#include <iostream>

int main(int argc, char **argv) {
  // An interrupted call leaves no temporary or half-written file behind.
  tessary::RemoveInFlightFilesOnSignals();
  // What the calls print is compared byte for byte: lines end with a line feed alone everywhere.
  tessary::sys::UseBinaryStandardOutput();
  const std::vector<std::string> args = tessary::sys::CommandLineArguments(argc, argv);
  return tessary::cli::Run(args, std::cout, std::cerr, tessary::sys::StandardErrorIsTerminal());
}
