#pragma once

#include "common/messages.hpp"

#include <QStringList>

#include <optional>
#include <string>

namespace tessary::ui {

// What the window's command line asks for: `tessary [ARCHIVE]`, or --help, or --version.
struct WindowCommandLine {
  // Set when the program is to end at once with this code, after printing `out` to standard
  // output and `err` to standard error.
  std::optional<int> exitCode;
  std::string out;
  std::string err;
  // The archive to open at start, when one was named.
  std::optional<QString> archive;
};

// Parses the arguments (the program's name first). Qt's own window options (-platform,
// -style, -reverse ...) are passed over: the window's application object takes those itself.
// Needs a QCoreApplication for the usage text; makes no window and needs no display.
WindowCommandLine ParseWindowCommandLine(const QStringList &arguments);

} // namespace tessary::ui
