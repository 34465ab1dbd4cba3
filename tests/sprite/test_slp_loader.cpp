#include "common/error.hpp"
#include "sprite/slp_builder.hpp"
#include "sprite/slp_loader.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <climits>

namespace tessary {
namespace {

using test::BuildSLP;
using test::FrameRecordOffset;
using test::FrameSpec;
using test::SetI32;
using test::UniformFrame;

std::vector<std::uint8_t> OneFrame(std::int32_t width = 4, std::int32_t height = 2) {
  return BuildSLP({UniformFrame(width, height, {0x0F})}).bytes;
}

// Expects ParseSLP to refuse the bytes with the sprite message and a detail containing `what`.
void ExpectRefused(const std::vector<std::uint8_t> &bytes, const std::string &what) {
  test::ExpectError([&] { ParseSLP(bytes, "bad.slp"); }, kSpriteErrorText, what);
}

TEST(SlpLoader, ReadsEveryFieldOfAOneFrameSprite) {
  auto bytes = OneFrame();
  const std::size_t rec = FrameRecordOffset(1);
  EXPECT_EQ(rec, 32u);
  SetI32(bytes, rec + 8, 0x11223344); // palette offset: kept, never used
  SetI32(bytes, rec + 12, -7);        // properties
  SetI32(bytes, rec + 24, -3);        // hotspot x
  SetI32(bytes, rec + 28, 40);        // hotspot y
  const SLPFile sprite = ParseSLP(bytes);
  ASSERT_EQ(sprite.frameCount(), 1);
  EXPECT_EQ(sprite.header.frameCount, 1);
  EXPECT_EQ(std::string(sprite.header.version.begin(), sprite.header.version.end()), "2.0N");
  const SLPFrameInfo &f = sprite.frame(1);
  EXPECT_EQ(f.width, 4);
  EXPECT_EQ(f.height, 2);
  EXPECT_EQ(f.paletteOffset, 0x11223344);
  EXPECT_EQ(f.properties, -7);
  EXPECT_EQ(f.hotspotX, -3);
  EXPECT_EQ(f.hotspotY, 40);
  EXPECT_EQ(f.outlineTableOffset, 64);
  EXPECT_EQ(f.commandTableOffset, 64 + 4 * 2);
}

TEST(SlpLoader, TenthRecordLiesAt320) {
  std::vector<FrameSpec> frames;
  for (int n = 1; n <= 10; ++n)
    frames.push_back(UniformFrame(n, 1, {0x0F}, n * 10, -n));
  const auto built = BuildSLP(frames);
  const SLPFile sprite = ParseSLP(built.bytes);
  ASSERT_EQ(sprite.frameCount(), 10);
  EXPECT_EQ(LoadI32(built.bytes.data() + 320 + test::kWidthField), 10);
  EXPECT_EQ(sprite.frame(10).width, 10);
  EXPECT_EQ(sprite.frame(10).hotspotX, 100);
  EXPECT_EQ(sprite.frame(10).hotspotY, -10);
  EXPECT_EQ(sprite.frame(3).width, 3);
}

TEST(SlpLoader, HeaderTextsMayHoldAnyBytes) {
  auto bytes = OneFrame();
  for (int i = 0; i < 4; ++i)
    bytes[i] = 0;
  for (int i = 8; i < 32; ++i)
    bytes[i] = static_cast<std::uint8_t>(0xF0 + i);
  const SLPFile sprite = ParseSLP(bytes);
  EXPECT_EQ(sprite.frameCount(), 1);
  EXPECT_EQ(static_cast<std::uint8_t>(sprite.header.comment[0]), 0xF8);
}

TEST(SlpLoader, FrameNumbersCountFromOne) {
  const SLPFile sprite =
      ParseSLP(BuildSLP({UniformFrame(1, 1, {0x0F}), UniformFrame(2, 1, {0x0F})}).bytes);
  EXPECT_EQ(sprite.frame(2).width, 2);
  for (std::int32_t n : {0, 3, -1}) {
    test::ExpectError([&] { sprite.frame(n); }, kSpriteErrorText, "frame " + std::to_string(n));
  }
}

TEST(SlpLoader, RefusesImpossibleFrameCounts) {
  struct Case {
    std::int32_t count;
  };
  for (const Case c : {Case{0}, Case{-1}, Case{40000}, Case{32768}}) {
    auto bytes = OneFrame();
    SetI32(bytes, 4, c.count);
    SCOPED_TRACE(c.count);
    ExpectRefused(bytes, "declares " + std::to_string(c.count) + " frames");
  }
}

TEST(SlpLoader, RefusesTruncatedFiles) {
  ExpectRefused({}, "shorter than a sprite header");
  ExpectRefused(std::vector<std::uint8_t>(31, 0), "shorter than a sprite header");
  // Three records claimed, two present: the table runs past the end.
  auto bytes = BuildSLP({UniformFrame(1, 1, {0x0F}), UniformFrame(1, 1, {0x0F})}).bytes;
  SetI32(bytes, 4, 3);
  bytes.resize(32 + 32 * 2 + 20);
  ExpectRefused(bytes, "runs past the end");
}

TEST(SlpLoader, RefusesFrameSizesTheFormatCannotHold) {
  struct Case {
    std::int32_t width, height;
    const char *detail;
  };
  const Case cases[] = {
      {4, 8193, "8193 rows"},
      {-1, 8193, "8193 rows"}, // a frame of no columns still may not claim more rows
      {32768, 1, "32768 columns"},
      {32768, -1, "32768 columns"},
      {32767, 8192, "MiB"}, // fits the format, but two such pictures take 1.6 GB
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.detail);
    auto bytes = BuildSLP({UniformFrame(1, 1, {0x0F}), UniformFrame(1, 1, {0x0F})}).bytes;
    SetI32(bytes, FrameRecordOffset(2) + test::kWidthField, c.width);
    SetI32(bytes, FrameRecordOffset(2) + test::kHeightField, c.height);
    ExpectRefused(bytes, "frame 2 of bad.slp");
    ExpectRefused(bytes, c.detail);
  }
}

TEST(SlpLoader, AcceptsEdgeSizes) {
  struct Case {
    std::int32_t width, height;
  };
  // Sides of 0 or less draw nothing; they are taken as they are.
  for (const Case c : {Case{0, 0}, Case{5, 0}, Case{0, 5}, Case{1, 8192}, Case{32767, 1},
                       Case{-1, 4}, Case{4, -1}, Case{INT_MIN, INT_MIN}, Case{-32768, 8192}}) {
    auto bytes = OneFrame();
    SetI32(bytes, FrameRecordOffset(1) + test::kWidthField, c.width);
    SetI32(bytes, FrameRecordOffset(1) + test::kHeightField, c.height);
    const SLPFile sprite = ParseSLP(bytes);
    EXPECT_EQ(sprite.frame(1).width, c.width);
    EXPECT_EQ(sprite.frame(1).height, c.height);
  }
}

TEST(SlpLoader, LoadsFromAFile) {
  test::TempDir dir;
  const auto built = BuildSLP({UniformFrame(3, 2, {0x0F}, 1, 1)});
  test::WriteFile(dir.file("s.slp"), built.bytes);
  const SLPFile sprite = LoadSLPInfo(dir.file("s.slp"));
  EXPECT_EQ(sprite.bytes, built.bytes);
  EXPECT_EQ(sprite.path, dir.file("s.slp"));
  EXPECT_EQ(sprite.frame(1).width, 3);
}

TEST(SlpLoader, MissingFileIsASpriteError) {
  test::TempDir dir;
  test::ExpectError([&] { LoadSLPInfo(dir.file("absent.slp")); }, kSpriteErrorText, "absent.slp");
}

} // namespace
} // namespace tessary
