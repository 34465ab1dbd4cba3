#include "palette/palette.hpp"

#include "common/error.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tessary {
namespace {

using test::TempDir;
using test::WriteText;

// A colour that differs for every index, so a shifted or missed line shows.
std::string ColourLine(int i) {
  return std::to_string(i) + " " + std::to_string(255 - i) + " " + std::to_string(i / 2);
}
Colour ColourOf(int i) { return RGB(i, 255 - i, i / 2); }

std::vector<std::string> Colours(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i)
    lines.push_back(ColourLine(i));
  return lines;
}

std::string JascText(const std::vector<std::string> &colours, const std::string &lineEnd = "\r\n",
                     const std::string &count = "256", const std::string &magic = "JASC-PAL") {
  std::string text = magic + lineEnd + "0100" + lineEnd + count + lineEnd;
  for (const auto &line : colours)
    text += line + lineEnd;
  return text;
}

// A table that no file in these tests produces, to see that a failed load left it alone.
PaletteTable Untouched() {
  PaletteTable table;
  table.fill(0x010203);
  return table;
}

class PaletteFile : public ::testing::Test {
protected:
  std::string Write(const std::string &text) {
    const std::string path = dir_.file("test.pal");
    WriteText(path, text);
    return path;
  }

  // Loads `text` from a file into an untouched table and returns the error it raised.
  Error LoadFailure(const std::string &text) {
    const std::string path = Write(text);
    PaletteTable table = Untouched();
    try {
      LoadPalette(table, path);
    } catch (const Error &e) {
      EXPECT_EQ(table, Untouched()) << "a failed load changed the table";
      return e;
    }
    ADD_FAILURE() << "the load did not fail";
    return Error(ErrorKind::PaletteOpen, {}, {});
  }

  TempDir dir_;
};

TEST_F(PaletteFile, LoadsEveryColourWithAnyLineEnd) {
  for (const std::string lineEnd : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(testing::PrintToString(lineEnd));
    PaletteTable table = Untouched();
    LoadPalette(table, Write(JascText(Colours(256), lineEnd)));
    for (int i = 0; i < 256; ++i)
      ASSERT_EQ(table[i], ColourOf(i)) << "entry " << i;
  }
}

TEST_F(PaletteFile, FieldsEndAtCommasAsWellAsLineEnds) {
  std::string text = "JASC-PAL,0100,256";
  for (const auto &line : Colours(256))
    text += "," + line;
  PaletteTable table = Untouched();
  LoadPalette(table, Write(text)); // no line end at all after the last field
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(table[i], ColourOf(i)) << "entry " << i;
}

TEST_F(PaletteFile, SpacesBeforeAFieldAreSkipped) {
  std::vector<std::string> colours = Colours(256);
  colours[0] = "   7 8 9";
  PaletteTable table = Untouched();
  LoadPalette(table, Write(JascText(colours, "\n", "  256", "  JASC-PAL")));
  EXPECT_EQ(table[0], RGB(7, 8, 9));
  EXPECT_EQ(table[255], ColourOf(255));
}

TEST_F(PaletteFile, ReadsOnly256ColoursWhateverFollows) {
  std::vector<std::string> colours = Colours(300);
  colours[256] = "not a colour";
  PaletteTable table = Untouched();
  LoadPalette(table, Write(JascText(colours) + "\x01\x02 binary tail"));
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(table[i], ColourOf(i)) << "entry " << i;
}

TEST_F(PaletteFile, CountLineIsIgnoredAndAShortFileChangesNothing) {
  const Error e = LoadFailure(JascText(Colours(16), "\r\n", "16"));
  EXPECT_EQ(e.message(), kErrorOpeningPaletteText);
  EXPECT_NE(e.detail().find("after 16 colours"), std::string::npos) << e.detail();
}

TEST_F(PaletteFile, ColourFieldsBecomeColours) {
  const struct {
    const char *field;
    Colour colour;
  } cases[] = {
      {"255 128 64", 0x4080FF},
      {"300 0 0", 0x0000FF},           // above 255 counts as 255
      {"32767 256 1000", 0xFFFFFF},    // the largest 16-bit value still loads
      {"2.5 3.5 0", RGB(2, 4, 0)},     // halves go to the even neighbour
      {"0.49 0.51 1.5", RGB(0, 1, 2)}, // other fractions to the nearest
      {"2.50001 254.5 255.5", RGB(3, 254, 255)},
      {"1. .5 -0", RGB(1, 0, 0)},
      {"-0.4 +12 007", RGB(0, 12, 7)}, // rounds to zero, which is not below 0
      {"1 2 3 ", RGB(1, 2, 3)},        // spaces around a number are allowed
      {"1 2  3", RGB(1, 2, 3)},        // the third part keeps the rest of the field
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.field);
    std::vector<std::string> colours = Colours(256);
    colours[5] = c.field;
    PaletteTable table = Untouched();
    LoadPalette(table, Write(JascText(colours)));
    EXPECT_EQ(table[5], c.colour);
    EXPECT_EQ(table[6], ColourOf(6));
  }
}

TEST_F(PaletteFile, MalformedColourFieldFailsAndChangesNothing) {
  const struct {
    const char *field;
    const char *why; // a word the detail must contain
  } cases[] = {
      {"255  128 64", "green value is empty"}, // two spaces make an empty part
      {"1 2", "three numbers"},
      {"", "three numbers"}, // an empty line
      {"1", "three numbers"},
      {"a 2 3", "red value"},
      {"1 2 x", "blue value"},
      {"1 2 3 4", "blue value"},
      {"-1 0 0", "below 0"},
      {"0 -200 0", "below 0"},
      {"32768 0 0", "red value"}, // does not fit 16 bits
      {"-32769 0 0", "red value"},
      {"32767.5 0 0", "red value"}, // rounds past 16 bits
      {"99999999999999999999 0 0", "red value"},
      {"1e2 0 0", "red value"},
      {"0x10 0 0", "red value"},
      {"\"1 2 3\"", "red value"},
      {"1\t2 3 4", "red value"},
      {". 0 0", "red value"},
      {"- 0 0", "red value"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.field);
    std::vector<std::string> colours = Colours(256);
    colours[200] = c.field;
    const std::string path = dir_.file("test.pal");
    const Error e = LoadFailure(JascText(colours));
    EXPECT_EQ(e.message(), kErrorOpeningPaletteText);
    EXPECT_NE(e.detail().find(c.why), std::string::npos) << e.detail();
    EXPECT_NE(e.detail().find("colour 200"), std::string::npos) << e.detail();
    EXPECT_NE(e.detail().find("line 204"), std::string::npos) << e.detail();
    EXPECT_TRUE(e.detail().starts_with(path + ": ")) << e.detail();
  }
}

TEST_F(PaletteFile, CommasInsideAColourSplitItIntoFields) {
  std::vector<std::string> colours = Colours(256);
  colours[0] = "10,20,30";
  const Error e = LoadFailure(JascText(colours));
  EXPECT_EQ(e.message(), kErrorOpeningPaletteText);
  EXPECT_NE(e.detail().find("colour 0"), std::string::npos) << e.detail();
}

TEST_F(PaletteFile, WrongMagicIsNotAPaletteFile) {
  for (const std::string first : {"jasc-pal", "JASC-PAL2", "JASC", "", "\xEF\xBB\xBFJASC-PAL"}) {
    SCOPED_TRACE(first);
    const Error e = LoadFailure(JascText(Colours(256), "\r\n", "256", first));
    EXPECT_EQ(e.message(), kNotValidPaletteText);
  }
}

TEST_F(PaletteFile, UnreadableFilesFailWithTheOpeningMessage) {
  const std::string missing = dir_.file("missing.pal");
  const std::string big = dir_.file("big.pal");
  WriteText(big, JascText(Colours(256)) + std::string(2u << 20, ' '));
  const std::string folder = dir_.file("folder.pal");
  std::filesystem::create_directory(folder);

  for (const std::string &path : {missing, big, folder}) {
    SCOPED_TRACE(path);
    PaletteTable table = Untouched();
    test::ExpectError([&] { LoadPalette(table, path); }, kErrorOpeningPaletteText, path);
    EXPECT_EQ(table, Untouched());
  }
}

TEST_F(PaletteFile, TruncatedFilesFailWithTheOpeningMessage) {
  for (const std::string text : {"", "   ", "JASC-PAL", "JASC-PAL\r\n0100\r\n"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(LoadFailure(text).message(), kErrorOpeningPaletteText);
  }
}

TEST_F(PaletteFile, UseDefaultRestoresEveryEntryAfterAFile) {
  PaletteTable table = DefaultPalette();
  LoadPalette(table, Write(JascText(std::vector<std::string>(256, "1 1 1"))));
  EXPECT_EQ(table[0], RGB(1, 1, 1));
  EXPECT_EQ(table[255], RGB(1, 1, 1));
  LoadPalette(table, "");
  EXPECT_EQ(table, DefaultPalette());
}

TEST(ParseJascPal, ParsesTextWithoutAFile) {
  const PaletteTable table = ParseJascPal(JascText(Colours(256)));
  EXPECT_EQ(table[0], ColourOf(0));
  EXPECT_EQ(table[255], ColourOf(255));
  EXPECT_THROW(ParseJascPal("JASC-PAL\n0100\n256\n1 2\n"), Error);
}

TEST(PaletteCaption, NamesThePaletteInForce) {
  const struct {
    const char *path;
    const char *caption;
  } cases[] = {
      {"", "[default] Select..."},
      {"C:\\pal\\1234.pal", "[1234] Select..."},
      {"/home/u/pal/1234.pal", "[1234] Select..."},
      {"/home/u/pal/Desert Day.pal", "[DESERT DAY] Select..."},
      {"/home/u/pal/units.old.pal", "[UNITS.OLD] Select..."},
      {"/home/u/pal.d/noext", "[NOEXT] Select..."}, // no extension: the whole name
      {"1234.pal", "[1234] Select..."},
  };
  for (const auto &c : cases)
    EXPECT_EQ(PaletteCaption(c.path), c.caption) << c.path;
}

} // namespace
} // namespace tessary
