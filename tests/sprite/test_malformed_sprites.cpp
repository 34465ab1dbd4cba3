// Damaged sprites: every table offset out of range, rows without an end byte and frames of
// absurd size either fail with the message the user sees or decode to a defined picture, and
// nothing is sized from a frame record before the data has been found to back it.
#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "sprite/slp_builder.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_loader.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::BuildSLP;
using test::FrameSpec;
using test::RowSpec;

constexpr char kMessage[] = "Error reading sprite file!";

void Poke32(Bytes &bytes, std::size_t at, std::int32_t value) {
  ASSERT_LE(at + 4, bytes.size());
  StoreI32(bytes.data() + at, value);
}

std::size_t RecordField(std::int32_t frame, int field) {
  return static_cast<std::size_t>(test::FrameRecordOffset(frame) + field);
}

// The error a load gives, or nothing when it loads.
std::optional<Error> LoadError(const Bytes &bytes) {
  try {
    ParseSLP(bytes, "bad.slp");
  } catch (const Error &e) {
    return e;
  }
  return std::nullopt;
}

// Surfaces holding an earlier picture: a decode that refuses a frame must leave them as they
// are, which shows it sized nothing from the frame record before it found the data lacking.
struct Surfaces {
  cDIBSection image;
  cDIBSection map;

  Surfaces() {
    image.Create(3, 2);
    map.Create(3, 2);
    image.SetPixel(1, 1, 0x123456);
    map.SetPixel(2, 0, 0x654321);
  }
  bool untouched() const {
    return image.Width() == 3 && image.Height() == 2 && map.Width() == 3 && map.Height() == 2 &&
           image.GetPixel(1, 1) == 0x123456 && map.GetPixel(2, 0) == 0x654321;
  }
};

// Decodes frame 1; gives the error, or nothing when it decoded.
std::optional<Error> DecodeError(const Bytes &bytes, Surfaces &surfaces) {
  try {
    const SLPFile sprite = ParseSLP(bytes, "bad.slp");
    DecodeSLPFrame(sprite, sprite.frame(1), test::TestPalette(), surfaces.image, surfaces.map);
  } catch (const Error &e) {
    return e;
  }
  return std::nullopt;
}

// A 10 x 3 frame whose rows draw something, so every row's tables are read.
test::BuiltSLP ThreeRows() {
  return BuildSLP({test::UniformFrame(10, 3, {0x14, 1, 2, 3, 4, 5, 0x0F})});
}

TEST(MalformedSprites, HeadersAndFrameRecordsTheLoaderRefuses) {
  const Bytes good = ThreeRows().bytes;
  const auto edited = [&](std::size_t at, std::int32_t value) {
    Bytes bytes = good;
    Poke32(bytes, at, value);
    return bytes;
  };
  const std::size_t width = RecordField(1, test::kWidthField);
  const std::size_t height = RecordField(1, test::kHeightField);
  const struct {
    const char *name;
    Bytes bytes;
  } cases[] = {
      {"empty file", {}},
      {"one byte", {'2'}},
      {"header cut short", Bytes(good.begin(), good.begin() + 31)},
      {"frame record cut short", Bytes(good.begin(), good.begin() + 63)},
      {"no frames", edited(4, 0)},
      {"negative frame count", edited(4, -1)},
      {"lowest frame count", edited(4, INT_MIN)},
      {"frame count past 16 bits", edited(4, 32768)},
      {"highest frame count", edited(4, INT_MAX)},
      {"frame records past the end", edited(4, 50)},
      {"width past 16 bits", edited(width, 32768)},
      {"height past 8192 rows", edited(height, 8193)},
      {"highest height", edited(height, INT_MAX)},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const auto error = LoadError(c.bytes);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), kMessage);
    EXPECT_FALSE(error->detail().empty());
  }
}

// A frame record claiming the largest size the counters allow, in a file of 64 bytes.
TEST(MalformedSprites, AbsurdFrameSizesAreRefusedBeforeAnythingIsAllocated) {
  const struct {
    const char *name;
    std::int32_t width, height;
  } cases[] = {
      {"largest frame", 32767, 8192}, // over the picture cap: the loader refuses it
      {"wide frame", 32767, 2000},    // loads; its tables would need 8000 bytes each
      {"tall frame", 1, 8192},
      {"square frame", 8000, 8000},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes(64, 0);
    Poke32(bytes, 4, 1);
    Poke32(bytes, RecordField(1, test::kCommandTableField), 32);
    Poke32(bytes, RecordField(1, test::kOutlineTableField), 32);
    Poke32(bytes, RecordField(1, test::kWidthField), c.width);
    Poke32(bytes, RecordField(1, test::kHeightField), c.height);
    Surfaces surfaces;
    const auto error = DecodeError(bytes, surfaces);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), kMessage);
    EXPECT_TRUE(surfaces.untouched());
  }
}

// A real row-edge table of 8000 bytes, all rows drawn, and the command-offset table missing:
// refused before two surfaces of 196 MB each are made for it.
TEST(MalformedSprites, WideFrameOverAMissingCommandTableAllocatesNothing) {
  constexpr std::int32_t kHeight = 2000;
  Bytes bytes(64 + 4 * kHeight, 0); // every row: left 0, right 0
  Poke32(bytes, 4, 1);
  Poke32(bytes, RecordField(1, test::kOutlineTableField), 64);
  Poke32(bytes, RecordField(1, test::kCommandTableField), static_cast<std::int32_t>(bytes.size()));
  Poke32(bytes, RecordField(1, test::kWidthField), 32767);
  Poke32(bytes, RecordField(1, test::kHeightField), kHeight);
  Surfaces surfaces;
  const auto error = DecodeError(bytes, surfaces);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->message(), kMessage);
  EXPECT_NE(error->detail().find("command-offset entry of row 0"), std::string::npos)
      << error->detail();
  EXPECT_TRUE(surfaces.untouched());
}

// Each case moves one table or one row's command offset of a 3-row frame out of the data.
TEST(MalformedSprites, EveryTableOffsetOutOfRangeIsRefused) {
  const test::BuiltSLP built = ThreeRows();
  const auto size = static_cast<std::int32_t>(built.bytes.size());
  const std::size_t edgeField = RecordField(1, test::kOutlineTableField);
  const std::size_t commandField = RecordField(1, test::kCommandTableField);
  const auto rowEntry = [&](int row) {
    return static_cast<std::size_t>(built.frames[0].commandTable + 4 * row);
  };
  const struct {
    const char *name;
    std::size_t at;
    std::int32_t value;
  } cases[] = {
      {"edge table before the data", edgeField, -4},
      {"edge table one byte early", edgeField, -1},
      {"edge table at the lowest offset", edgeField, INT_MIN},
      {"edge table at the highest offset", edgeField, INT_MAX},
      {"edge table at the end", edgeField, size},
      {"edge table's last row cut", edgeField, size - 11},
      {"command table before the data", commandField, -4},
      {"command table at the lowest offset", commandField, INT_MIN},
      {"command table at the highest offset", commandField, INT_MAX},
      {"command table at the end", commandField, size},
      {"command table's last row cut", commandField, size - 9},
      {"first row's commands before the data", rowEntry(0), -1},
      {"first row's commands at the lowest offset", rowEntry(0), INT_MIN},
      {"last row's commands past the end", rowEntry(2), size + 1},
      {"last row's commands at the highest offset", rowEntry(2), INT_MAX},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = built.bytes;
    Poke32(bytes, c.at, c.value);
    ASSERT_FALSE(LoadError(bytes)); // the tables are the decoder's to check
    Surfaces surfaces;
    const auto error = DecodeError(bytes, surfaces);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), kMessage);
    EXPECT_FALSE(error->detail().empty());
    EXPECT_TRUE(surfaces.untouched());
  }
}

// Rows marked empty never have their command offset read, so it may hold anything.
TEST(MalformedSprites, CommandOffsetsOfEmptyRowsAreNeverRead) {
  FrameSpec frame;
  frame.width = 4;
  frame.rows = {{kEmptyRow, 0, {}}, {0, 3, {0x04, 7, 0x0F}}, {kEmptyRow, 5, {}}};
  const test::BuiltSLP built = BuildSLP({frame});
  Bytes bytes = built.bytes;
  Poke32(bytes, static_cast<std::size_t>(built.frames[0].commandTable), INT_MIN);
  Poke32(bytes, static_cast<std::size_t>(built.frames[0].commandTable + 8), -1);
  const SLPFile sprite = ParseSLP(bytes, "bad.slp");
  const test::Decoded d = test::DecodeFrame(sprite);
  EXPECT_EQ(test::RowColours(d.map, 0), test::Repeat(4, kKeyMagenta));
  EXPECT_EQ(test::RowColours(d.image, 1),
            test::Join({{test::TestPalette()[7]}, test::Repeat(3, kKeyMagenta)}));
  EXPECT_EQ(test::RowColours(d.map, 2), test::Repeat(4, kKeyMagenta));
}

// A row whose commands run off the end of the data draws what is there and stops: its right
// margin is not drawn and the rest of the row keeps the surface's fresh content.
TEST(MalformedSprites, RowsWithoutAnEndByteStopAtTheEndOfTheData) {
  const PaletteTable palette = test::TestPalette();
  const struct {
    const char *name;
    std::vector<std::uint8_t> commands; // the last thing in the file
    std::vector<Colour> image;          // of the 10-pixel row, left margin 2, right margin 3
  } cases[] = {
      {"copy, then nothing",
       {0x14, 1, 2, 3, 4, 5},
       test::Join({test::Repeat(2, kKeyMagenta),
                   {palette[1], palette[2], palette[3], palette[4], palette[5]},
                   test::Repeat(3, 0x000000)})},
      {"long copy cut after two indexes",
       {0x02, 5, 9, 8},
       test::Join(
           {test::Repeat(2, kKeyMagenta), {palette[9], palette[8]}, test::Repeat(6, 0x000000)})},
      {"fill missing its index",
       {0x37},
       test::Join({test::Repeat(2, kKeyMagenta), test::Repeat(8, 0x000000)})},
      {"count byte missing",
       {0x01},
       test::Join({test::Repeat(2, kKeyMagenta), test::Repeat(8, 0x000000)})},
      {"no commands at all",
       {},
       test::Join({test::Repeat(2, kKeyMagenta), test::Repeat(8, 0x000000)})},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    FrameSpec frame;
    frame.width = 10;
    frame.rows = {{2, 3, c.commands}};
    const SLPFile sprite = ParseSLP(BuildSLP({frame}).bytes, "open.slp");
    const test::Decoded d = test::DecodeFrame(sprite, 1, palette);
    EXPECT_FALSE(d.cancelled);
    EXPECT_EQ(test::RowColours(d.image, 0), c.image);
  }
}

// A row pointing into a long run of commands that draw nothing ends instead of spinning through
// all of them; the rows after it are decoded as usual.
TEST(MalformedSprites, RowsOfCommandsThatDrawNothingEnd) {
  FrameSpec frame;
  frame.width = 6;
  frame.rows = {{1, 0, {}}, {0, 0, {0x04, 4, 0x0F}}};
  test::BuiltSLP built = BuildSLP({frame});
  Bytes bytes = built.bytes;
  const auto junk = static_cast<std::int32_t>(bytes.size());
  bytes.resize(bytes.size() + (1 << 20), 0x00); // a megabyte of zero-length copies
  Poke32(bytes, static_cast<std::size_t>(built.frames[0].commandTable), junk);
  const SLPFile sprite = ParseSLP(bytes, "idle.slp");
  const test::Decoded d = test::DecodeFrame(sprite);
  EXPECT_EQ(test::RowColours(d.image, 0), test::Join({{kKeyMagenta}, test::Repeat(5, 0x000000)}));
  EXPECT_EQ(test::RowColours(d.image, 1),
            test::Join({{test::TestPalette()[4]}, test::Repeat(5, 0x000000)}));
}

// Command streams that run wildly past the frame are cut at its edges.
TEST(MalformedSprites, SpansPastTheEdgesAreClipped) {
  const PaletteTable palette = test::TestPalette();
  const struct {
    const char *name;
    RowSpec row;
    std::vector<Colour> image;
  } cases[] = {
      {"left margin wider than the frame",
       {30000, 30000, {0x04, 1, 0x0F}},
       test::Repeat(4, kKeyMagenta)},
      {"negative left margin", {-32767, 0, {0xF3, 0xFF, 0x04, 1, 0x0F}}, test::Repeat(4, 0x000000)},
      {"negative left margin reaching in",
       {-2, 3, {0x0C, 1, 2, 3, 0x0F}},
       {palette[3], kKeyMagenta, kKeyMagenta, kKeyMagenta}},
      {"longest skip then more",
       {0, 0, {0xF3, 0xFF, 0xF3, 0xFF, 0x04, 1, 0x0F}},
       test::Repeat(4, kKeyMagenta)},
      {"huge right margin",
       {0, 32767, {0x04, 1, 0x0F}},
       {palette[1], kKeyMagenta, kKeyMagenta, kKeyMagenta}},
      {"negative right margin",
       {0, -32768, {0x04, 1, 0x0F}},
       test::Join({{palette[1]}, test::Repeat(3, 0x000000)})},
      {"player colours past the table",
       {0, 2, {0x1A, 250, 0x16, 245, 0x0F}},
       {palette[(250 + 16) & 0xFF], palette[(245 + 16) & 0xFF], kKeyMagenta, kKeyMagenta}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    FrameSpec frame;
    frame.width = 4;
    frame.rows = {c.row};
    const SLPFile sprite = ParseSLP(BuildSLP({frame}).bytes, "wide.slp");
    const test::Decoded d = test::DecodeFrame(sprite, 1, palette);
    EXPECT_EQ(test::RowColours(d.image, 0), c.image);
  }
}

} // namespace
} // namespace tessary
