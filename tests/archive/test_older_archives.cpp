// Archives of the older games of the engine: their 64-byte header, read without a question and
// written by BuildArchive / WriteArchive with HeaderLayout::Aoe.
#include "archive/drs_writer.hpp"
#include "archive/extract.hpp"
#include "archive/read_archive.hpp"
#include "common/paths.hpp"

#include "common/error.hpp"
#include "support/archive_fixture.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tessary {
namespace {

using test::GetI32;
using test::Tag;

struct Reading {
  std::optional<ArchiveContents> contents;
  int questions = 0;
};

Reading ReadBytes(const std::vector<std::uint8_t> &bytes, test::TempDir &dir) {
  const std::string path = dir.file("archive.drs");
  test::WriteFile(path, bytes);
  BoundedFile file(PathOf(path), ErrorKind::ArchiveRead);
  Reading reading;
  reading.contents = ReadArchive(file, [&] { return ++reading.questions, false; });
  return reading;
}

std::string Text(const std::vector<std::uint8_t> &bytes, std::size_t at, std::size_t length) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(at),
          bytes.begin() + static_cast<std::ptrdiff_t>(at + length)};
}

TEST(OlderArchives, HeaderIsWrittenInItsOwnLayout) {
  const auto bytes = BuildArchive(test::WorkedExampleTables(), HeaderLayout::Aoe);
  EXPECT_EQ(Text(bytes, 0, 36), "Copyright (c) 1997 Ensemble Studios.");
  EXPECT_EQ(Text(bytes, 36, 4), std::string("\x1A\0\0\0", 4));
  EXPECT_EQ(Text(bytes, 40, 4), "1.00");
  EXPECT_EQ(Text(bytes, 44, 12), std::string("tribe\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(GetI32(bytes, 56), 2);
  // Two table records and three entry records after the 64 bytes; the first resource follows.
  EXPECT_EQ(GetI32(bytes, 60), 64 + 2 * 12 + 3 * 12);
  EXPECT_EQ(Text(bytes, 64, 4), " pls");
  EXPECT_EQ(GetI32(bytes, 68), 64 + 2 * 12);
  EXPECT_EQ(bytes.size(), std::size_t(124 + 10 + 20 + 30));
}

TEST(OlderArchives, NewerLayoutStaysAsItWas) {
  const auto tables = test::WorkedExampleTables();
  const auto bytes = BuildArchive(tables, HeaderLayout::Swgb);
  EXPECT_EQ(bytes, BuildArchive(tables));
  EXPECT_EQ(Text(bytes, 0, 28), "Copyright (c) 2001 LucasArts");
  EXPECT_EQ(Text(bytes, 60, 4), "1.00");
  EXPECT_EQ(GetI32(bytes, 76), 2);
  EXPECT_EQ(GetI32(bytes, 80), 144);
}

TEST(OlderArchives, ListAndEntriesAreReadWithoutAQuestion) {
  test::TempDir dir;
  const auto tables = test::WorkedExampleTables();
  const auto bytes = BuildArchive(tables, HeaderLayout::Aoe);
  const auto reading = ReadBytes(bytes, dir);
  ASSERT_TRUE(reading.contents);
  EXPECT_EQ(reading.questions, 0);
  const auto &contents = *reading.contents;
  EXPECT_EQ(contents.header.layout, HeaderLayout::Aoe);
  EXPECT_EQ(contents.header.tableCount, 2);
  EXPECT_EQ(contents.header.headerTail, 124);
  std::vector<std::string> texts;
  std::vector<int> kinds;
  for (const auto &line : contents.lines) {
    texts.push_back(line.text);
    kinds.push_back(line.kind);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"--SLP (2)--", "100", "101", "--WAV (1)--", "200"}));
  EXPECT_EQ(kinds, (std::vector<int>{0, 1, 1, 0, 2}));

  // Every resource comes out byte for byte.
  BoundedFile file(PathOf(dir.file("archive.drs")), ErrorKind::ArchiveRead);
  EXPECT_EQ(ReadResource(file, contents.lines[1].entry, ErrorKind::ArchiveRead),
            tables[0].entries[0].bytes);
  EXPECT_EQ(ReadResource(file, contents.lines[2].entry, ErrorKind::ArchiveRead),
            tables[0].entries[1].bytes);
  EXPECT_EQ(ReadResource(file, contents.lines[4].entry, ErrorKind::ArchiveRead),
            tables[1].entries[0].bytes);
}

TEST(OlderArchives, HeadingsOfEveryKind) {
  test::TempDir dir;
  const auto reading = ReadBytes(BuildArchive({{kSpriteTag, {{1, {1}}}},
                                               {kSoundTag, {{2, {2}}}},
                                               {kBinaryTag, {{3, {3}}}},
                                               {Tag("abcd"), {{4, {4}}}},
                                               {Tag(" PLS"), {}}},
                                              HeaderLayout::Aoe),
                                 dir);
  ASSERT_TRUE(reading.contents);
  std::vector<std::pair<std::string, int>> lines;
  for (const auto &line : reading.contents->lines)
    lines.emplace_back(line.text, line.kind);
  EXPECT_EQ(lines, (std::vector<std::pair<std::string, int>>{{"--SLP (1)--", 0},
                                                             {"1", 1},
                                                             {"--WAV (1)--", 0},
                                                             {"2", 2},
                                                             {"--BIN (1)--", 0},
                                                             {"3", 3},
                                                             {"--DCB (1)--", 0},
                                                             {"4", -1},
                                                             {"--SLP (0)--", 0}}));
}

// Only the banner's first 36 bytes and the version decide; anything else falls back to the
// 84-byte layout and its question.
TEST(OlderArchives, RecognisedOnlyByBannerAndVersion) {
  struct Case {
    const char *name;
    std::size_t at;
    std::string text;
    bool older;
  };
  const Case cases[] = {
      {"bytes 36-39 free", 36, "ABCD", true}, {"type free", 44, "other\0\0", true},
      {"lower-case banner", 0, "c", false},   {"banner's last character", 35, " ", false},
      {"other version", 40, "1.01", false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    auto bytes = BuildArchive(test::WorkedExampleTables(), HeaderLayout::Aoe);
    std::memcpy(bytes.data() + c.at, c.text.data(), c.text.size());
    const auto reading = ReadBytes(bytes, dir);
    EXPECT_EQ(reading.questions, c.older ? 0 : 1);
    EXPECT_EQ(reading.contents.has_value(), c.older);
    if (reading.contents) {
      EXPECT_EQ(reading.contents->lines.size(), 5u);
    }
  }
}

TEST(OlderArchives, MalformedOnesAreRefusedLikeTheOthers) {
  const auto whole = BuildArchive(test::WorkedExampleTables(), HeaderLayout::Aoe);
  struct Case {
    const char *name;
    std::vector<std::uint8_t> bytes;
    const char *detail;
  };
  auto badCount = whole;
  StoreI32(badCount.data() + 56, 0);
  const Case cases[] = {
      // Too short for the older header: read as a short 84-byte one.
      {"shorter than its header", {whole.begin(), whole.begin() + 63}, "header"},
      {"tables cut", {whole.begin(), whole.begin() + 80}, "past the end"},
      {"no table", badCount, "table count 0"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::string path = dir.file("archive.drs");
    test::WriteFile(path, c.bytes);
    BoundedFile file(PathOf(path), ErrorKind::ArchiveRead);
    try {
      ReadArchive(file, [] { return true; });
      ADD_FAILURE() << "read";
    } catch (const Error &error) {
      EXPECT_EQ(error.kind(), ErrorKind::ArchiveRead);
      EXPECT_NE(error.detail().find(c.detail), std::string::npos) << error.detail();
    }
  }
}

TEST(OlderArchives, PackedFolderGetsTheOlderHeader) {
  test::TempDir dir;
  const std::string folder = dir.file("src");
  std::filesystem::create_directory(folder);
  test::WriteFile(folder + "/5.slp", test::Pattern(7, 4));
  test::WriteFile(folder + "/6.wav", test::Pattern(3, 9));
  WriteArchive(folder, dir.file("older.drs"), HeaderLayout::Aoe);
  WriteArchive(folder, dir.file("newer.drs"));
  const auto older = test::ReadFile(dir.file("older.drs"));
  const auto newer = test::ReadFile(dir.file("newer.drs"));
  EXPECT_EQ(Text(older, 0, 36), kOlderBanner);
  EXPECT_EQ(Text(newer, 0, 28), kBanner);
  // Same records and resources, 20 bytes earlier.
  ASSERT_EQ(older.size() + 20, newer.size());
  EXPECT_TRUE(std::equal(older.end() - 10, older.end(), newer.end() - 10));
  EXPECT_EQ(GetI32(older, 64 + 2 * 12 + 4), GetI32(newer, 84 + 2 * 12 + 4) - 20);
}

} // namespace
} // namespace tessary
