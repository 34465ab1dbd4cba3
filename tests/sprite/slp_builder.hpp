#pragma once

// Builds small sprite files in memory for the tests: frames are given as rows of edges and
// command bytes, and the builder lays out the header, the frame records, and per frame the
// row-edge table, the command-offset table and the commands, in that order.

#include "common/bounded_reader.hpp"
#include "common/colour.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_loader.hpp"
#include "surface/dib_section.hpp"

#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace tessary::test {

struct RowSpec {
  std::int16_t left = 0;
  std::int16_t right = 0;
  std::vector<std::uint8_t> commands; // written as given: add the end byte (0x0F) yourself
};

struct FrameSpec {
  std::int32_t width = 0;
  std::vector<RowSpec> rows;
  std::int32_t hotspotX = 0;
  std::int32_t hotspotY = 0;
  std::optional<std::int32_t> height; // the record's height; rows.size() when not set
};

// Where the builder put each frame's tables and row commands.
struct FrameLayout {
  std::int32_t edgeTable = 0;
  std::int32_t commandTable = 0;
  std::vector<std::int32_t> rowCommands;
};

struct BuiltSLP {
  std::vector<std::uint8_t> bytes;
  std::vector<FrameLayout> frames;
};

// Offsets of the frame record fields, for tests that patch a record.
constexpr int kCommandTableField = 0;
constexpr int kOutlineTableField = 4;
constexpr int kWidthField = 16;
constexpr int kHeightField = 20;
constexpr int kHotspotXField = 24;
constexpr int kHotspotYField = 28;

inline std::int32_t FrameRecordOffset(std::int32_t n) { return 32 + 32 * (n - 1); }

inline void SetI32(std::vector<std::uint8_t> &bytes, std::size_t at, std::int32_t v) {
  if (bytes.size() < at + 4)
    bytes.resize(at + 4);
  StoreI32(bytes.data() + at, v);
}

inline void SetI16(std::vector<std::uint8_t> &bytes, std::size_t at, std::int16_t v) {
  if (bytes.size() < at + 2)
    bytes.resize(at + 2);
  StoreI16(bytes.data() + at, v);
}

inline BuiltSLP BuildSLP(const std::vector<FrameSpec> &frames) {
  BuiltSLP built;
  auto &b = built.bytes;
  b = {'2', '.', '0', 'N'};
  SetI32(b, 4, static_cast<std::int32_t>(frames.size()));
  b.resize(32 + 32 * frames.size(), 0);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const FrameSpec &f = frames[i];
    const auto rowCount = static_cast<std::int32_t>(f.rows.size());
    FrameLayout layout;
    layout.edgeTable = static_cast<std::int32_t>(b.size());
    for (const RowSpec &row : f.rows) {
      SetI16(b, b.size(), row.left);
      SetI16(b, b.size(), row.right);
    }
    layout.commandTable = static_cast<std::int32_t>(b.size());
    b.resize(b.size() + 4 * f.rows.size(), 0);
    for (std::int32_t r = 0; r < rowCount; ++r) {
      layout.rowCommands.push_back(static_cast<std::int32_t>(b.size()));
      SetI32(b, layout.commandTable + 4 * r, static_cast<std::int32_t>(b.size()));
      const auto &commands = f.rows[static_cast<std::size_t>(r)].commands;
      b.insert(b.end(), commands.begin(), commands.end());
    }
    const auto record =
        static_cast<std::size_t>(FrameRecordOffset(static_cast<std::int32_t>(i) + 1));
    SetI32(b, record + kCommandTableField, layout.commandTable);
    SetI32(b, record + kOutlineTableField, layout.edgeTable);
    SetI32(b, record + kWidthField, f.width);
    SetI32(b, record + kHeightField, f.height.value_or(rowCount));
    SetI32(b, record + kHotspotXField, f.hotspotX);
    SetI32(b, record + kHotspotYField, f.hotspotY);
    built.frames.push_back(std::move(layout));
  }
  return built;
}

// A frame whose every row is one command stream, with no margins.
inline FrameSpec UniformFrame(std::int32_t width, std::int32_t height,
                              const std::vector<std::uint8_t> &rowCommands,
                              std::int32_t hotspotX = 0, std::int32_t hotspotY = 0) {
  FrameSpec f;
  f.width = width;
  f.hotspotX = hotspotX;
  f.hotspotY = hotspotY;
  f.rows.assign(static_cast<std::size_t>(height), RowSpec{0, 0, rowCommands});
  return f;
}

// A palette whose 256 entries are distinct and never equal a key or code colour (their green
// byte is 0x40, the codes' is 0x00 or 0xFF).
inline PaletteTable TestPalette() {
  PaletteTable table{};
  for (unsigned i = 0; i < 256; ++i)
    table[i] = RGB(i, 0x40, 0x80 + i / 2);
  return table;
}

inline SLPFile Parse(const BuiltSLP &built) { return ParseSLP(built.bytes, "test.slp"); }

struct Decoded {
  cDIBSection image;
  cDIBSection map;
  bool cancelled = false;
};

inline Decoded DecodeFrame(const SLPFile &sprite, std::int32_t n = 1,
                           const PaletteTable &palette = TestPalette(),
                           const CancelPoll &cancel = {}) {
  Decoded d;
  d.cancelled = DecodeSLPFrame(sprite, sprite.frame(n), palette, d.image, d.map, cancel);
  return d;
}

inline std::vector<Colour> RowColours(const cDIBSection &surface, std::int32_t y) {
  std::vector<Colour> row;
  for (std::int32_t x = 0; x < surface.Width(); ++x)
    row.push_back(surface.GetPixel(x, y));
  return row;
}

// n copies of c, for building expected rows.
inline std::vector<Colour> Repeat(std::size_t n, Colour c) { return std::vector<Colour>(n, c); }

inline std::vector<Colour> Join(std::initializer_list<std::vector<Colour>> parts) {
  std::vector<Colour> all;
  for (const auto &p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

} // namespace tessary::test

namespace tessary::test {

// Frames of random rows (random edges, including -32768 and negative values, and random command
// bytes with or without an end byte), all of one size, from a fixed seed: for checks that two
// ways of decoding agree on whatever a stream holds.
inline BuiltSLP RandomSprite(unsigned seed, int frames, std::int32_t width, std::int32_t height) {
  std::mt19937 random(seed);
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::vector<FrameSpec> specs;
  for (int f = 0; f < frames; ++f) {
    FrameSpec frame;
    frame.width = width;
    for (std::int32_t y = 0; y < height; ++y) {
      RowSpec row;
      const int kind = below(10);
      row.left = kind == 0 ? kEmptyRow
                           : static_cast<std::int16_t>(kind == 1 ? -below(20) : below(width / 2));
      row.right = static_cast<std::int16_t>(below(12) - 2);
      const int length = below(40);
      for (int k = 0; k < length; ++k)
        row.commands.push_back(static_cast<std::uint8_t>(random()));
      if (below(4) != 0)
        row.commands.push_back(0x0F);
      frame.rows.push_back(std::move(row));
    }
    specs.push_back(std::move(frame));
  }
  return BuildSLP(specs);
}

inline std::vector<std::uint8_t> Storage(const cDIBSection &s) {
  return {s.Bits(), s.Bits() + s.BitsSize()};
}

} // namespace tessary::test
