// The text preview of a binary resource: its lines, escaping, heading and the palette test.
#include "view/bin_preview.hpp"
#include "view/rtf.hpp"
#include "view_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tessary::view {
namespace {

using test::Bytes;
using test::Describe;

TEST(BinPreview, SplitsLinesAndEscapes) {
  struct Case {
    const char *name;
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"no line break is one paragraph", "abc", R"(abc\par )"},
      {"CR LF", "a\r\nb\r\n", R"(a\par b\par )"},
      {"lone CR", "a\rb", R"(a\par b\par )"},
      {"lone LF ends a line too", "a\nb\n", R"(a\par b\par )"},
      {"empty lines kept", "a\r\n\r\nb", R"(a\par \par b\par )"},
      {"LF CR is two line ends", "a\n\rb", R"(a\par \par b\par )"},
      {"backslash first, then braces", "\\{}", R"(\\\{\}\par )"},
      {"control words in data stay text", "\\par{\\b}", R"(\\par\{\\b\}\par )"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const auto data = Bytes(c.bytes);
    EXPECT_EQ(BinPreviewText(data), c.expected);
    // What the view shows is the bytes themselves, one line per paragraph.
    const RtfDocument doc = ParseRtf(BinPreviewRtf(1, data));
    EXPECT_EQ(doc.paragraphs.front().runs.front().text, "File 1:");
  }
}

TEST(BinPreview, DocumentHasTheRedHeading) {
  EXPECT_EQ(BinPreviewRtf(-7, {}),
            R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File -7:\par \cf0 })");
  EXPECT_EQ(BinPreviewRtf(300, Bytes("x{\r\ny")),
            R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 File 300:\par \cf0 x\{\par y\par })");
  const RtfDocument doc = ParseRtf(BinPreviewRtf(5, Bytes("a\\b{c}\r\nnext")));
  EXPECT_EQ(Describe(doc), R"(File 5:@ff0000/a\b{c}@-/next@-/)");
}

TEST(BinPreview, JascPalTestIsExactAndCaseSensitive) {
  struct Case {
    const char *bytes;
    bool isPalette;
  };
  const Case cases[] = {
      {"JASC-PAL\r\n0100\r\n", true}, {"JASC-PALETTE", true}, {"jasc-pal\r\n", false},
      {" JASC-PAL", false},           {"JASC-PA", false},     {"", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(StartsWithJascPal(BinPreviewText(Bytes(c.bytes))), c.isPalette);
  }
}

} // namespace
} // namespace tessary::view
