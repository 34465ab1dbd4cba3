// The reader of the preview pane's RTF: the subset the program writes, and any malformed input.
#include "view/bin_preview.hpp"
#include "view/rtf.hpp"
#include "view_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tessary::view {
namespace {

using test::Describe;

struct RtfCase {
  const char *name;
  std::string rtf;
  std::string expected;
};

TEST(Rtf, ReadsTheSubsetWeWrite) {
  const RtfCase cases[] = {
      {"sprite message", kSpritePreviewRtf, "(displaying graphic)@800000"},
      {"sound message", kSoundPreviewRtf, "(playing sound file)@008000"},
      {"unknown message", kUnknownPreviewRtf, "Unknown resource type!@ff0000"},
      {"heading then default colour",
       R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File 7:\par \cf0 one\par two\par })",
       "File 7:@ff0000/one@-/two@-/"},
      {"escaped specials", R"({\rtf1 a\\b\{c\}})", R"(a\b{c}@-)"},
      {"unknown control words skipped", R"({\rtf1\ansi\deff0 {\fonttbl}x\b bold\b0 y})",
       "xboldy@-"},
      {"colour index past the table is default", R"({\rtf1{\colortbl ;\red1\green2\blue3;}\cf9 z})",
       "z@-"},
      {"group restores colour", R"({\rtf1{\colortbl ;\red0\green0\blue255;}{\cf1 in}out})",
       "in@0000ff|out@-"},
      {"source line ends ignored", "{\\rtf1 a\r\nb\n}", "ab@-"},
      {"text after the document ignored", R"({\rtf1 a}tail)", "a@-"},
      {"not rtf is plain text", "line one\r\nline two", "line one@-/line two@-"},
      {"empty", "", ""},
  };
  for (const RtfCase &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Describe(ParseRtf(c.rtf)), c.expected);
  }
}

TEST(Rtf, SurvivesMalformedInput) {
  const RtfCase cases[] = {
      {"unclosed groups", "{\\rtf1{{{ abc", " abc"},
      {"stray closing braces", "{\\rtf1 a}}}}", "a"},
      {"backslash at the end", "{\\rtf1 a\\", "a"},
      {"huge parameter", "{\\rtf1\\cf99999999999999999999 q}", "q"},
      {"negative parameter", "{\\rtf1\\cf-5 q}", "q"},
      {"unterminated colour table", "{\\rtf1{\\colortbl ;\\red300\\green-1", ""},
      {"endless control word", "{\\rtf1\\" + std::string(100, 'a') + "}", ""},
      {"deep nesting", std::string(100000, '{'), std::string(100000, '{')},
      {"nul byte", std::string("{\\rtf1 a\0b}", 11), std::string("a\0b", 3)},
  };
  for (const RtfCase &c : cases) {
    SCOPED_TRACE(c.name);
    const RtfDocument doc = ParseRtf(c.rtf);
    EXPECT_FALSE(doc.paragraphs.empty());
    EXPECT_EQ(doc.plainText(), c.expected);
  }
}

} // namespace
} // namespace tessary::view
