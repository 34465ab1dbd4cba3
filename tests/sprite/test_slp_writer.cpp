#include "sprite/slp_writer.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;

SLPRow Row(std::int16_t left, std::int16_t right, Bytes commands) {
  return {{left, right}, std::move(commands)};
}

TEST(SLPWriter, LaysOutHeaderFrameTableEdgesOffsetsAndCommands) {
  SLPWriter writer(2);
  writer.Add({3, -2, 5, {Row(1, 0, {0x08, 7, 0x0F}), Row(kEmptyRow, 0, {0x0F})}});
  writer.Add({1, 0, -1, {Row(0, 0, {0x04, 9, 0x0F})}});
  const Bytes sprite = writer.Finish();

  const std::string version(sprite.begin(), sprite.begin() + 4);
  EXPECT_EQ(version, "2.0N");
  EXPECT_EQ(LoadI32(sprite.data() + 4), 2);
  const std::string comment(reinterpret_cast<const char *>(sprite.data() + 8));
  EXPECT_EQ(comment, "Tessary SLP encoder");

  // Frame 1: tables right after the header and both frame records.
  const std::uint8_t *record = sprite.data() + 32;
  const int edges1 = 32 + 2 * 32;
  const int commands1 = edges1 + 2 * 4;
  const int rows1 = commands1 + 2 * 4;
  EXPECT_EQ(LoadI32(record + 0), commands1);
  EXPECT_EQ(LoadI32(record + 4), edges1);
  EXPECT_EQ(LoadI32(record + 8), 0);
  EXPECT_EQ(LoadI32(record + 12), 0);
  EXPECT_EQ(LoadI32(record + 16), 3);
  EXPECT_EQ(LoadI32(record + 20), 2);
  EXPECT_EQ(LoadI32(record + 24), -2);
  EXPECT_EQ(LoadI32(record + 28), 5);
  EXPECT_EQ(LoadI16(sprite.data() + edges1), 1);
  EXPECT_EQ(LoadI16(sprite.data() + edges1 + 2), 0);
  EXPECT_EQ(LoadI16(sprite.data() + edges1 + 4), kEmptyRow);
  EXPECT_EQ(LoadI32(sprite.data() + commands1), rows1);
  EXPECT_EQ(LoadI32(sprite.data() + commands1 + 4), rows1 + 3);

  // Frame 2 starts where frame 1's commands end.
  record += 32;
  const int edges2 = rows1 + 3 + 1;
  EXPECT_EQ(LoadI32(record + 4), edges2);
  EXPECT_EQ(LoadI32(record + 0), edges2 + 4);
  EXPECT_EQ(LoadI32(record + 20), 1);
  EXPECT_EQ(LoadI32(record + 28), -1);
  EXPECT_EQ(LoadI32(sprite.data() + edges2 + 4), edges2 + 8);

  const Bytes commands(sprite.begin() + rows1, sprite.begin() + edges2);
  EXPECT_EQ(commands, (Bytes{0x08, 7, 0x0F, 0x0F}));
  EXPECT_EQ(Bytes(sprite.end() - 3, sprite.end()), (Bytes{0x04, 9, 0x0F}));
  EXPECT_EQ(sprite.size(), static_cast<std::size_t>(edges2 + 8 + 3));
}

TEST(SLPWriter, RefusesWhatTheLoaderCouldNotRead) {
  const struct {
    const char *name;
    std::function<void()> call;
    const char *detail;
  } cases[] = {
      {"no frames", [] { SLPWriter writer(0); }, "at least one frame"},
      {"too many frames", [] { SLPWriter writer(static_cast<std::size_t>(kMaxFrameCount) + 1); },
       "32768 frames exceed the limit of 32767"},
      {"a frame more than announced",
       [] {
         SLPWriter writer(1);
         writer.Add({1, 0, 0, {Row(0, 0, {0x0F})}});
         writer.Add({1, 0, 0, {Row(0, 0, {0x0F})}});
       },
       "more frames than the 1"},
      {"a frame fewer than announced",
       [] {
         SLPWriter writer(2);
         writer.Add({1, 0, 0, {Row(0, 0, {0x0F})}});
         (void)writer.Finish();
       },
       "1 of the 2 frames"},
      {"larger than a sprite file may be",
       [] {
         SLPWriter writer(1);
         writer.Add({1, 0, 0, {Row(0, 0, Bytes(static_cast<std::size_t>(kMaxSpriteFileBytes)))}});
       },
       "the sprite would exceed 64 MiB"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    test::ExpectError(c.call, kEncodeErrorText, c.detail);
  }
}

TEST(SaveSLP, WritesTheBytesAndReplacesAnEarlierFile) {
  test::TempDir dir;
  const std::string path = dir.file("out.slp");
  test::WriteText(path, std::string(5000, 'x'));
  const Bytes bytes{1, 2, 3, 4, 5};
  SaveSLP(path, bytes);
  EXPECT_EQ(test::ReadFile(path), bytes);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 1u) << "a temporary file was left behind";
}

TEST(SaveSLP, FailureIsASaveErrorAndLeavesTheOldFile) {
  test::TempDir dir;
  test::ExpectError(
      [&] {
        SaveSLP(dir.file("missing/out.slp"), {1, 2, 3});
      },
      "Error saving file!", "missing/out.slp");
  // A folder in the way of the name: the rename fails, the folder stays and no temporary
  // file is left.
  std::filesystem::create_directories(dir.path() / "taken.slp" / "inside");
  EXPECT_THROW(SaveSLP(dir.file("taken.slp"), {1, 2, 3}), Error);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken.slp" / "inside"));
  std::size_t files = 0;
  for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 1u);
}

} // namespace
} // namespace tessary
