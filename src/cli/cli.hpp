#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tessary::cli {

// Runs one tessary-cli call. args excludes the program name. Returns the exit status:
// 0 done, 1 the input or output failed, 2 the call's words are wrong.
int Run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);
// The same; errIsTerminal says that err is a terminal, where long calls show their progress.
int Run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
        bool errIsTerminal);

} // namespace tessary::cli
