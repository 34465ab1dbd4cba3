#pragma once

// "Help" > "Help": there is no help file, only a notice saying so.
namespace tessary::view {

constexpr char kHelpText[] = "As a beta release, this program has no documentation. Hopefully it "
                             "won't be too complicated to figure everything out yourself...";
constexpr char kHelpTitle[] = "Help";

} // namespace tessary::view
