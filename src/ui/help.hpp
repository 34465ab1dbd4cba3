#pragma once

#include "ui/platform.hpp"

// "Help" > "Help": there is no help file, only a notice saying so.
namespace tessary::ui {

constexpr char kHelpText[] = "As a beta release, this program has no documentation. Hopefully it "
                             "won't be too complicated to figure everything out yourself...";
constexpr char kHelpTitle[] = "Help";

// Shows the notice (information icon, OK) and waits until it is closed.
void ShowHelp(Platform &platform);

} // namespace tessary::ui
