#pragma once

#include "common/colour.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A reader for the small RTF documents the preview pane is given: the "{\rtf1" wrapper, a colour
// table, "\cf" colour switches, "\par" paragraph breaks and the escaped "\\", "\{" and "\}".
// Every other control word is skipped. Any input, however malformed, gives a document.
namespace tessary::view {

// A stretch of text in one colour. `colour` indexes the document's colour table; 0, or an index
// with no colour behind it, means the view's default text colour.
struct RtfRun {
  std::string text; // single-byte characters as they stood in the source
  int colour = 0;
};

struct RtfParagraph {
  std::vector<RtfRun> runs;
};

struct RtfDocument {
  // Entry 0 is normally the "auto" entry (no colour); an entry without \red, \green or \blue
  // is auto as well.
  std::vector<std::optional<Colour>> colours;
  // Never empty: a document without text has one empty paragraph.
  std::vector<RtfParagraph> paragraphs;

  // The colour of a run, or nothing for the default colour.
  std::optional<Colour> colourOf(const RtfRun &run) const;
  // The text with paragraphs joined by "\n".
  std::string plainText() const;
};

// Input that does not start with "{\rtf" is taken as plain text, one paragraph per line, as the
// rich-text box of old showed such text.
RtfDocument ParseRtf(std::string_view rtf);

} // namespace tessary::view
