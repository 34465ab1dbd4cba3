// Streams crafted so that rows do work without drawing: the decoder's work on a row stays near
// the pixels it draws, while streams that draw every command still decode in full.
#include "sprite/slp_builder.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_loader.hpp"

#include <gtest/gtest.h>

namespace tessary {
namespace {

using test::FrameSpec;
using test::Repeat;
using test::RowSpec;

constexpr Colour U = 0x000000; // a pixel no command reached

// n copies of `unit`, then `tail`.
std::vector<std::uint8_t> Times(std::size_t n, std::vector<std::uint8_t> unit,
                                std::vector<std::uint8_t> tail) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < n; ++i)
    bytes.insert(bytes.end(), unit.begin(), unit.end());
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

// Idle commands (counts of 0) draw nothing; however many a row meets, and however many rows
// share them, the row decodes as if each was run in turn.
TEST(BoundedDecoding, RunsOfIdleCommandsDecodeExactly) {
  const PaletteTable P = test::TestPalette();
  const std::vector<Colour> pixelThenMargin = {P[1], kKeyMagenta, U};
  const struct {
    const char *name;
    std::vector<std::uint8_t> commands;
    std::vector<Colour> image;
  } cases[] = {
      {"a few zero counts", Times(4, {0x00}, {0x04, 1, 0x0F}), pixelThenMargin},
      {"zero counts of every kind",
       {0x00, 0x01, 0, 0x07, 0, 9, 0x03, 0, 0x5E, 0, 0x0E, 0, 0x04, 1, 0x0F},
       pixelThenMargin},
      {"a long run", Times(1000, {0x00}, {0x04, 1, 0x0F}), pixelThenMargin},
      {"a long run of two-byte zero counts", Times(2000, {0x01, 0x00}, {0x04, 1, 0x0F}),
       pixelThenMargin},
      // Past 65536 of them the row gives up, its margin undrawn.
      {"a run past the limit", Times(70000, {0x00}, {0x04, 1, 0x0F}), Repeat(3, U)},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    FrameSpec frame;
    frame.width = 3;
    frame.rows = {RowSpec{0, 1, c.commands}, RowSpec{0, 0, {0x08, 2, 3, 0x0F}}};
    const test::Decoded d = test::DecodeFrame(test::Parse(test::BuildSLP({frame})), 1, P);
    EXPECT_EQ(test::RowColours(d.image, 0), c.image);
    EXPECT_EQ(test::RowColours(d.image, 1), (std::vector<Colour>{P[2], P[3], U}));
  }
}

// Rows starting one byte apart in one run: each counts the idle commands from its own start,
// so those starting early pass the limit and those starting late draw.
TEST(BoundedDecoding, RowsStartingInsideOneRunCountFromTheirStart) {
  const PaletteTable P = test::TestPalette();
  constexpr std::int32_t kRows = 40, kRun = 65536 + 20;
  FrameSpec frame;
  frame.width = 2;
  frame.rows.assign(kRows, RowSpec{0, 1, {}});
  frame.rows[0].commands = Times(kRun, {0x00}, {0x04, 1, 0x0F});
  test::BuiltSLP built = test::BuildSLP({frame});
  for (std::int32_t y = 1; y < kRows; ++y)
    test::SetI32(built.bytes, static_cast<std::size_t>(built.frames[0].commandTable + 4 * y),
                 built.frames[0].rowCommands[0] + y);
  const SLPFile sprite = test::Parse(built);
  for (int pass = 0; pass < 2; ++pass) { // the second pass decodes from what the first learnt
    SCOPED_TRACE(pass);
    const test::Decoded d = test::DecodeFrame(sprite, 1, P);
    for (std::int32_t y = 0; y < kRows; ++y) {
      SCOPED_TRACE(y);
      const bool pastLimit = kRun - y > 65536;
      EXPECT_EQ(test::RowColours(d.image, y),
                pastLimit ? Repeat(2, U) : (std::vector<Colour>{P[1], kKeyMagenta}));
    }
  }
}

// 32767 frame records all naming one 1 x 8192 frame whose rows start, one byte apart, in a run
// of 100,000 zero-count commands: about 1.2 MB that once cost 0.8 s per frame.
std::vector<std::uint8_t> IdleRunSprite() {
  constexpr std::int32_t kFrames = 32767, kRows = 8192, kRun = 100000;
  std::vector<std::uint8_t> bytes(32 + 32 * kFrames, 0);
  bytes[0] = '2';
  bytes[1] = '.';
  bytes[2] = '0';
  bytes[3] = 'N';
  StoreI32(&bytes[4], kFrames);
  const auto edges = static_cast<std::int32_t>(bytes.size());
  const std::int32_t commands = edges + 4 * kRows;
  const std::int32_t run = commands + 4 * kRows;
  bytes.resize(static_cast<std::size_t>(run + kRun), 0);
  for (std::int32_t y = 0; y < kRows; ++y)
    StoreI32(&bytes[static_cast<std::size_t>(commands + 4 * y)], run + y);
  for (std::int32_t n = 1; n <= kFrames; ++n) {
    std::uint8_t *record = &bytes[static_cast<std::size_t>(test::FrameRecordOffset(n))];
    StoreI32(record + test::kCommandTableField, commands);
    StoreI32(record + test::kOutlineTableField, edges);
    StoreI32(record + test::kWidthField, 1);
    StoreI32(record + test::kHeightField, kRows);
  }
  return bytes;
}

TEST(BoundedDecoding, FramesOfRowsSharingAnIdleRunDecode) {
  const SLPFile sprite = ParseSLP(IdleRunSprite(), "idle.slp");
  ASSERT_EQ(sprite.frameCount(), 32767);
  for (const std::int32_t n : {1, 32767}) {
    SCOPED_TRACE(n);
    const test::Decoded d = test::DecodeFrame(sprite, n);
    EXPECT_FALSE(d.cancelled);
    ASSERT_EQ(d.image.Height(), 8192);
    for (const std::int32_t y : {0, 4095, 8191}) {
      EXPECT_EQ(test::RowColours(d.image, y), (std::vector<Colour>{U}));
      EXPECT_EQ(test::RowColours(d.map, y), (std::vector<Colour>{U}));
    }
  }
}

} // namespace
} // namespace tessary
