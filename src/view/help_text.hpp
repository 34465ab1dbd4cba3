#pragma once

#include "common/messages.hpp"

// "Help" > "Help": there is no help file, only a notice saying so (its words are kept with the
// program's other texts).
namespace tessary::view {

using tessary::kHelpText;
using tessary::kHelpTitle;

} // namespace tessary::view
