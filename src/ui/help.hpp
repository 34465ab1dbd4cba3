#pragma once

#include "ui/platform.hpp"

namespace tessary::ui {

// Shows the help notice (information icon, OK) and waits until it is closed.
void ShowHelp(Platform &platform);

} // namespace tessary::ui
