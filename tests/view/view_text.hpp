#pragma once

#include "view/rtf.hpp"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tessary::test {

inline std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// "text@colour|text@colour" per paragraph, paragraphs joined by "/": a compact picture of a
// parsed document for table-driven checks. Colour is "-" for the default colour, else rrggbb.
inline std::string Describe(const view::RtfDocument &doc) {
  std::string out;
  for (std::size_t p = 0; p < doc.paragraphs.size(); ++p) {
    if (p > 0)
      out += '/';
    const auto &runs = doc.paragraphs[p].runs;
    for (std::size_t r = 0; r < runs.size(); ++r) {
      if (r > 0)
        out += '|';
      out += runs[r].text + '@';
      if (const auto colour = doc.colourOf(runs[r])) {
        char hex[7];
        std::snprintf(hex, sizeof hex, "%02x%02x%02x", RedOf(*colour), GreenOf(*colour),
                      BlueOf(*colour));
        out += hex;
      } else {
        out += '-';
      }
    }
  }
  return out;
}

} // namespace tessary::test
