#pragma once

#include <string>

// Checks on an output a call names, made before anything is read or written, so that a call
// that cannot succeed says why at once.
namespace tessary::cli {

// How the input files other than the sprite and the archive are named when an output would land
// on one of them.
constexpr char kPaletteFileRole[] = "the palette file";
constexpr char kSLXIndexRole[] = "the SLX index";

// Refuses an output that is a folder, or that ends in a folder separator, where a call writes
// one file: throws Error(ErrorKind::Save, output, detail naming the folder problem).
void RefuseFolderAsOutput(const std::string &output);

} // namespace tessary::cli
