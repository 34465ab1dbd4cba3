#include "palette/palette.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tessary {
namespace {

// Decimal 0..255 written without a sign or leading zeros.
bool IsByteNumber(const std::string &text) {
  if (text.empty() || text.size() > 3 || (text.size() > 1 && text[0] == '0'))
    return false;
  if (text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  return std::stoi(text) <= 255;
}

bool IsColourEntry(const std::string &entry) {
  const std::size_t first = entry.find(' ');
  const std::size_t second = entry.find(' ', first + 1);
  if (first == std::string::npos || second == std::string::npos)
    return false;
  return IsByteNumber(entry.substr(0, first)) &&
         IsByteNumber(entry.substr(first + 1, second - first - 1)) &&
         IsByteNumber(entry.substr(second + 1));
}

TEST(DefaultPalette, TextIsTheExpectedLengthAndShape) {
  const std::string text(DefaultPaletteText);
  EXPECT_EQ(text.size(), 2610u);
  EXPECT_TRUE(text.starts_with("0 0 0,0 74 161,0 97 155,0 74 187"));
  EXPECT_TRUE(text.ends_with("0 139 210,0 160 243,255 255 255"));
  EXPECT_EQ(std::count(text.begin(), text.end(), ','), 255);
  // Every entry is exactly three numbers from 0 to 255 joined by single spaces.
  std::size_t start = 0;
  for (int i = 0; i < 256; ++i) {
    const std::size_t comma = text.find(',', start);
    const std::string piece = text.substr(start, comma - start);
    EXPECT_TRUE(IsColourEntry(piece)) << "entry " << i << ": \"" << piece << "\"";
    start = comma + 1;
  }
}

TEST(DefaultPalette, NamedEntriesHoldTheirColours) {
  const struct {
    int index;
    Colour colour;
  } cases[] = {
      {0, 0x000000},   {1, 0xA14A00},   {2, 0x9B6100},   {8, 0xB4FFB4},   {10, 0x000000},
      {36, 0x0000FF},  {48, 0x000000},  {104, 0x85A9CE}, {176, 0x5CAAF3}, {212, 0x62B1FF},
      {241, 0x00FF00}, {242, 0xFF0000}, {243, 0x00FFFF}, {252, 0xFF00FF}, {255, 0xFFFFFF},
  };
  const PaletteTable table = DefaultPalette();
  for (const auto &c : cases)
    EXPECT_EQ(table[c.index], c.colour) << "entry " << c.index;
  EXPECT_EQ(table[10], table[0]);
}

TEST(DefaultPalette, ParsingGivesBackEveryEntryOfTheText) {
  const PaletteTable table = DefaultPalette();
  std::string joined;
  for (const Colour c : table) {
    EXPECT_EQ(c >> 24, 0u);
    if (!joined.empty())
      joined += ',';
    joined += std::to_string(RedOf(c)) + " " + std::to_string(GreenOf(c)) + " " +
              std::to_string(BlueOf(c));
  }
  EXPECT_EQ(joined, DefaultPaletteText);
}

TEST(DefaultPalette, EmptyPathLoadsTheDefaultOverAnyTable) {
  PaletteTable table;
  table.fill(0x123456);
  LoadPalette(table, "");
  EXPECT_EQ(table, DefaultPalette());
}

} // namespace
} // namespace tessary
