#pragma once

#include "common/colour.hpp"
#include "common/messages.hpp"

#include <array>
#include <string>
#include <string_view>

namespace tessary {

// The 256 colours of the palette in force.
using PaletteTable = std::array<Colour, 256>;

// The built-in default palette: 256 "r g b" triples joined by commas (2,610 characters).
extern const std::string_view DefaultPaletteText;

// Parses DefaultPaletteText.
PaletteTable DefaultPalette();

// Fills `table`: an empty path selects the built-in default; any other path names a JASC-PAL
// file. Loading a file is all-or-nothing: on any failure `table` is left exactly as it was.
// Throws Error of kind PaletteNotValid when the first field is not "JASC-PAL" and of kind
// PaletteOpen for every other failure (missing or unreadable file, fewer than 256 colours, a
// malformed colour field, a number out of range), either about the file.
void LoadPalette(PaletteTable &table, const std::string &palettePath);

// Parses JASC-PAL text (the file branch, given the file's bytes); same errors as LoadPalette.
PaletteTable ParseJascPal(std::string_view text);

// The caption of the palette menu item: "[default] Select..." for an empty path, else
// "[" + upper-cased FileTitle + "] Select...".
std::string PaletteCaption(const std::string &palettePath);

} // namespace tessary
