// Damaged palette files: cut short anywhere, too few colours, numbers that are not numbers or lie
// outside 0 ... 255. Each either loads to a defined palette or fails with the message the user
// sees, and a failed load leaves the palette in force exactly as it was.
#include "common/error.hpp"
#include "palette/palette.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tessary {
namespace {

// Entry i of the fixture: distinct for every index, so a shifted line shows.
Colour FixtureColour(int i) { return RGB(i, (i * 7) & 0xFF, 255 - i); }

std::string ColourText(Colour c) {
  return std::to_string(RedOf(c)) + " " + std::to_string(GreenOf(c)) + " " +
         std::to_string(BlueOf(c));
}

// A JASC-PAL file of `count` fixture colours, the last one replaced by `lastLine` when given.
std::string PaletteText(int count, std::optional<std::string> lastLine = std::nullopt) {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < count; ++i)
    text += (i == count - 1 && lastLine ? *lastLine : ColourText(FixtureColour(i))) + "\r\n";
  return text;
}

PaletteTable FixtureTable() {
  PaletteTable table{};
  for (int i = 0; i < 256; ++i)
    table[static_cast<std::size_t>(i)] = FixtureColour(i);
  return table;
}

// The palette in force before each load: no file here gives it.
PaletteTable InForce() {
  PaletteTable table;
  table.fill(0x0A0B0C);
  return table;
}

// What loading a file gave: the new table, or the error's message.
using Outcome = std::variant<PaletteTable, std::string>;

class MalformedPalettes : public ::testing::Test {
protected:
  Outcome Load(const std::string &text) {
    const std::string path = dir_.file("test.pal");
    test::WriteText(path, text);
    PaletteTable table = InForce();
    try {
      LoadPalette(table, path);
    } catch (const Error &e) {
      EXPECT_EQ(table, InForce()) << "a failed load changed the palette in force";
      EXPECT_FALSE(e.detail().empty());
      return e.message();
    }
    return table;
  }

  test::TempDir dir_;
};

// The same from text in memory, for the many loads of one test.
Outcome Parse(const std::string &text) {
  try {
    return ParseJascPal(text);
  } catch (const Error &e) {
    return e.message();
  }
}

std::string MessageOf(const Outcome &outcome) {
  return std::holds_alternative<std::string>(outcome) ? std::get<std::string>(outcome)
                                                      : std::string("(loaded)");
}

// A file cut after every byte. Before the magic is whole the file is not a palette file; after
// it, anything short of three numbers in the 256th colour field fails; a cut inside the last
// number leaves a shorter, valid number.
TEST_F(MalformedPalettes, TruncatedAtEveryOffset) {
  const std::string whole = PaletteText(256, std::string("12 34 56"));
  const std::size_t lastLine = whole.size() - std::string("12 34 56\r\n").size();
  PaletteTable expected = FixtureTable();
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    SCOPED_TRACE("cut at " + std::to_string(length));
    const Outcome outcome = Parse(whole.substr(0, length));
    if (length == 0) {
      EXPECT_EQ(MessageOf(outcome), "Error opening palette file!");
    } else if (length < 8) {
      EXPECT_EQ(MessageOf(outcome), "Not valid palette file!");
    } else if (length <= lastLine + 6) { // up to "12 34 ": the blue value is missing
      EXPECT_EQ(MessageOf(outcome), "Error opening palette file!");
    } else {
      expected[255] = RGB(12, 34, length == lastLine + 7 ? 5 : 56);
      ASSERT_TRUE(std::holds_alternative<PaletteTable>(outcome)) << MessageOf(outcome);
      EXPECT_EQ(std::get<PaletteTable>(outcome), expected);
    }
  }
}

TEST_F(MalformedPalettes, FewerThan256ColoursFail) {
  for (int count = 0; count < 256; ++count) {
    SCOPED_TRACE(count);
    EXPECT_EQ(MessageOf(Load(PaletteText(count))), "Error opening palette file!");
  }
  // Blank lines and stray commas are fields too: they cannot stand in for colours.
  EXPECT_EQ(MessageOf(Load(PaletteText(255) + "\r\n")), "Error opening palette file!");
  EXPECT_EQ(MessageOf(Load(PaletteText(255) + ",")), "Error opening palette file!");
}

// The last colour line of an otherwise good file, and what entry 255 becomes (or the message).
TEST_F(MalformedPalettes, ComponentsOutsideTheirRange) {
  const struct {
    const char *line;
    std::optional<Colour> colour; // nothing: the load fails
  } cases[] = {
      {"255 255 255", RGB(255, 255, 255)},
      {"256 0 0", RGB(255, 0, 0)},
      {"300 1000 32767", RGB(255, 255, 255)},
      {"0 +300 0", RGB(0, 255, 0)},
      {"255.5 0 0", RGB(255, 0, 0)}, // rounds to 256, counted as 255
      {"-0 0 0", RGB(0, 0, 0)},
      {"-0.5 0 0", RGB(0, 0, 0)}, // rounds to the even neighbour, 0
      {"-0.6 0 0", std::nullopt},
      {"-1 0 0", std::nullopt},
      {"0 -1 0", std::nullopt},
      {"0 0 -1", std::nullopt},
      {"-32768 0 0", std::nullopt},
      {"32768 0 0", std::nullopt}, // does not fit 16 bits
      {"0 0 65535", std::nullopt},
      {"0 0 4294967296", std::nullopt},
      {"0 0 99999999999999999999999999999999999999999999999999999999999", std::nullopt},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.line);
    const Outcome outcome = Load(PaletteText(256, std::string(c.line)));
    if (!c.colour) {
      EXPECT_EQ(MessageOf(outcome), "Error opening palette file!");
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<PaletteTable>(outcome)) << MessageOf(outcome);
    EXPECT_EQ(std::get<PaletteTable>(outcome)[255], *c.colour);
    EXPECT_EQ(std::get<PaletteTable>(outcome)[254], FixtureColour(254));
  }
}

TEST_F(MalformedPalettes, FieldsThatAreNotNumbersFail) {
  using namespace std::string_literals;
  const std::string cases[] = {
      "red green blue",
      "1 2",
      "1",
      "1  2 3",
      " ",
      "1 2 3 4",
      "1\t2\t3",
      "1 2 0x3",
      "1 2 3e0",
      "\0 \0 \0"s,
      "\xff\xfe 1 2",
      "1 2 " + std::string(5000, '9') + "x",
      "1 2 " + std::string(5000, ' '),
  };
  for (const std::string &line : cases) {
    SCOPED_TRACE(line.substr(0, 20));
    EXPECT_EQ(MessageOf(Load(PaletteText(256, line))), "Error opening palette file!");
  }
}

TEST_F(MalformedPalettes, GarbageFiles) {
  using namespace std::string_literals;
  std::string noise;
  for (int i = 0; i < 3000; ++i)
    noise += static_cast<char>((i * 131 + 7) % 256);
  const struct {
    const char *name;
    std::string text;
    const char *message;
  } cases[] = {
      {"noise", noise, "Not valid palette file!"},
      {"noise after the magic", "JASC-PAL\r\n" + noise, "Error opening palette file!"},
      {"magic with a NUL", "JASC-PAL\0\r\n0100\r\n256\r\n"s, "Not valid palette file!"},
      {"only line ends", "\r\n\r\n\n\r", "Not valid palette file!"},
      {"only spaces", std::string(100, ' '), "Error opening palette file!"},
      {"only commas", std::string(1000, ','), "Not valid palette file!"},
      {"larger than any palette", PaletteText(256) + std::string(1 << 20, '\n'),
       "Error opening palette file!"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MessageOf(Load(c.text)), c.message);
  }
}

} // namespace
} // namespace tessary
