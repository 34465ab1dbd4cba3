#include "archive/read_archive.hpp"
#include "common/paths.hpp"

#include "common/error.hpp"
#include "support/archive_fixture.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace tessary {
namespace {

using test::GetI32;
using test::PutI32;
using test::Tag;

struct Reading {
  std::optional<ArchiveContents> contents;
  int questions = 0;
};

// Writes the bytes to a file and reads them as an archive, answering the banner question with
// `answer`.
Reading ReadBytes(const std::vector<std::uint8_t> &bytes, bool answer = false) {
  test::TempDir dir;
  const std::string path = dir.file("archive.drs");
  test::WriteFile(path, bytes);
  BoundedFile file(PathOf(path), ErrorKind::ArchiveRead);
  Reading reading;
  reading.contents = ReadArchive(file, [&] {
    ++reading.questions;
    return answer;
  });
  return reading;
}

std::vector<std::string> Texts(const ArchiveContents &contents) {
  std::vector<std::string> texts;
  for (const auto &line : contents.lines)
    texts.push_back(line.text);
  return texts;
}

std::vector<int> Kinds(const ArchiveContents &contents) {
  std::vector<int> kinds;
  for (const auto &line : contents.lines)
    kinds.push_back(line.kind);
  return kinds;
}

TEST(ReadArchive, WorkedExampleGivesItsLinesKindsAndEntries) {
  const auto bytes = BuildArchive(test::WorkedExampleTables());
  ASSERT_EQ(GetI32(bytes, test::EntriesOffsetAt(0)), 108);
  ASSERT_EQ(GetI32(bytes, test::EntriesOffsetAt(1)), 132);

  const auto reading = ReadBytes(bytes);
  ASSERT_TRUE(reading.contents);
  EXPECT_EQ(reading.questions, 0);
  const auto &contents = *reading.contents;
  EXPECT_EQ(Texts(contents),
            (std::vector<std::string>{"--SLP (2)--", "100", "101", "--WAV (1)--", "200"}));
  EXPECT_EQ(Kinds(contents), (std::vector<int>{0, 1, 1, 0, 2}));
  ASSERT_EQ(contents.lines.size(), 5u);
  EXPECT_EQ(contents.lines[4].entry.id, 200);
  // Each entry points at its own bytes, right after the records.
  EXPECT_EQ(contents.lines[1].entry.offset, 144);
  EXPECT_EQ(contents.lines[1].entry.size, 10);
  EXPECT_EQ(contents.lines[2].entry.offset, 154);
  EXPECT_EQ(contents.lines[4].entry.offset, 174);
  EXPECT_EQ(contents.lines[4].entry.size, 30);
  for (std::size_t heading : {0u, 3u}) {
    EXPECT_EQ(contents.lines[heading].entry.id, 0);
    EXPECT_EQ(contents.lines[heading].entry.offset, 0);
    EXPECT_EQ(contents.lines[heading].entry.size, 0);
  }
  for (const auto &line : contents.lines)
    EXPECT_EQ(line.entry.naming, ResourceNaming{});
  EXPECT_EQ(contents.header.tableCount, 2);
  ASSERT_EQ(contents.tables.size(), 2u);
  EXPECT_EQ(contents.tables[1].entryCount, 1);
}

TEST(ReadArchive, TagsGiveHeadingsAndKinds) {
  struct Case {
    const char *tag;
    const char *heading;
    int kind;
  };
  const Case cases[] = {
      {" pls", "--SLP (3)--", kKindSprite}, {" PLS", "--SLP (3)--", kKindSprite},
      {" pLs", "--SLP (3)--", kKindSprite}, {" vaw", "--WAV (3)--", kKindSound},
      {"anib", "--BIN (3)--", kKindBinary}, {"xnib", "--BIN (3)--", kKindBinary},
      {"abcd", "--DCB (3)--", kKindOther},  {" slp", "--PLS (3)--", kKindOther},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.tag);
    const auto reading = ReadBytes(BuildArchive({{Tag(c.tag), {{1, {}}, {2, {9}}, {3, {8, 7}}}}}));
    ASSERT_TRUE(reading.contents);
    EXPECT_EQ(Texts(*reading.contents), (std::vector<std::string>{c.heading, "1", "2", "3"}));
    EXPECT_EQ(Kinds(*reading.contents), (std::vector<int>{0, c.kind, c.kind, c.kind}));
  }
}

TEST(ReadArchive, KindTextsAndHeadings) {
  EXPECT_EQ(TableKindText(Tag(" pls")), "SLP");
  EXPECT_EQ(TableKindText(Tag("anib")), "BIN");
  EXPECT_EQ(KindOfTableText("WAV"), kKindSound);
  EXPECT_EQ(KindOfTableText("wav"), kKindOther); // compared after upper-casing only
  EXPECT_EQ(KindOfTableText(""), kKindOther);
  EXPECT_EQ(HeadingText("SLP", 0), "--SLP (0)--");
  EXPECT_EQ(HeadingText("SLP", 32767), "--SLP (32767)--");
}

TEST(ReadArchive, EmptyTableGivesItsHeadingAlone) {
  // Its offset is never used, so even a nonsense one is fine.
  auto bytes = BuildArchive({{Tag(" pls"), {}}, {Tag(" vaw"), {{5, {1}}}}});
  PutI32(bytes, test::EntriesOffsetAt(0), -99999);
  const auto reading = ReadBytes(bytes);
  ASSERT_TRUE(reading.contents);
  EXPECT_EQ(Texts(*reading.contents),
            (std::vector<std::string>{"--SLP (0)--", "--WAV (1)--", "5"}));
  EXPECT_EQ(Kinds(*reading.contents), (std::vector<int>{0, 0, 2}));
}

TEST(ReadArchive, IdentifiersAreWrittenInPlainDecimal) {
  const auto reading = ReadBytes(
      BuildArchive({{Tag(" pls"), {{-7, {}}, {0, {}}, {2147483647, {}}, {-2147483647 - 1, {}}}}}));
  ASSERT_TRUE(reading.contents);
  EXPECT_EQ(Texts(*reading.contents),
            (std::vector<std::string>{"--SLP (4)--", "-7", "0", "2147483647", "-2147483648"}));
  EXPECT_EQ(reading.contents->lines[1].entry.id, -7);
}

TEST(ReadArchive, EntriesMayRepeatAnIdentifierAndPointAnywhere) {
  // Entry offsets and sizes are checked when a resource is copied, not when listing.
  auto bytes = BuildArchive({{Tag(" pls"), {{4, {1, 2}}, {4, {3}}}}});
  const std::size_t firstEntry = static_cast<std::size_t>(GetI32(bytes, test::EntriesOffsetAt(0)));
  PutI32(bytes, firstEntry + 4, 1 << 30);
  PutI32(bytes, firstEntry + 8, -5);
  const auto reading = ReadBytes(bytes);
  ASSERT_TRUE(reading.contents);
  EXPECT_EQ(Texts(*reading.contents), (std::vector<std::string>{"--SLP (2)--", "4", "4"}));
  EXPECT_EQ(reading.contents->lines[1].entry.offset, 1 << 30);
  EXPECT_EQ(reading.contents->lines[1].entry.size, -5);
}

TEST(ReadArchive, TableRunsNeedNotBeInOrder) {
  // Swap the two tables' entry runs: table 1 now reads table 2's records and back.
  auto bytes = BuildArchive(test::WorkedExampleTables());
  PutI32(bytes, test::EntriesOffsetAt(0), 132);
  PutI32(bytes, test::EntryCountAt(0), 1);
  PutI32(bytes, test::EntriesOffsetAt(1), 108);
  PutI32(bytes, test::EntryCountAt(1), 2);
  const auto reading = ReadBytes(bytes);
  ASSERT_TRUE(reading.contents);
  EXPECT_EQ(Texts(*reading.contents),
            (std::vector<std::string>{"--SLP (1)--", "200", "--WAV (2)--", "100", "101"}));
}

// ----- the banner -----

std::vector<std::uint8_t> WithBanner(const std::string &text) {
  auto bytes = BuildArchive(test::WorkedExampleTables());
  std::memcpy(bytes.data(), text.data(), text.size());
  return bytes;
}

TEST(ReadArchive, BannerIsTestedOnItsFirst28CharactersOnly) {
  auto bytes = BuildArchive(test::WorkedExampleTables());
  for (std::size_t i = 28; i < 60; ++i)
    bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
  const auto reading = ReadBytes(bytes);
  EXPECT_TRUE(reading.contents);
  EXPECT_EQ(reading.questions, 0);
}

TEST(ReadArchive, WrongBannerAsksAndDecliningReadsNothing) {
  const std::string banners[] = {"copyright (c) 2001 LucasArts", "Copyright (c) 2001 LucasArtz",
                                 "Copyright (C) 2001 LucasArts",
                                 std::string("\0opyright (c) 2001 LucasArts", 28)};
  for (const auto &banner : banners) {
    SCOPED_TRACE(banner);
    const auto bytes = WithBanner(banner);
    const auto declined = ReadBytes(bytes, false);
    EXPECT_FALSE(declined.contents);
    EXPECT_EQ(declined.questions, 1);
    const auto accepted = ReadBytes(bytes, true);
    ASSERT_TRUE(accepted.contents);
    EXPECT_EQ(accepted.questions, 1);
    EXPECT_EQ(Texts(*accepted.contents),
              (std::vector<std::string>{"--SLP (2)--", "100", "101", "--WAV (1)--", "200"}));
  }
}

TEST(ReadArchive, NoQuestionCallbackMeansDeclined) {
  test::TempDir dir;
  test::WriteFile(dir.file("a.drs"), WithBanner("copyright"));
  BoundedFile file(PathOf(dir.file("a.drs")), ErrorKind::ArchiveRead);
  EXPECT_FALSE(ReadArchive(file, {}));
}

TEST(ReadArchive, BannerIsValidComparesExactly) {
  std::array<char, 60> banner{};
  std::memcpy(banner.data(), kBanner, 28);
  EXPECT_TRUE(BannerIsValid(banner));
  banner[27] = 'S';
  EXPECT_FALSE(BannerIsValid(banner));
}

// ----- malformed archives -----

void ExpectRefused(const std::vector<std::uint8_t> &bytes, const std::string &detailPart) {
  test::ExpectError([&] { ReadBytes(bytes, true); }, kReadErrorText, detailPart);
}

using test::EditedWorkedExample;

TEST(ReadArchive, OutOfRangeCountsAndOffsetsAreRefused) {
  struct Case {
    const char *name;
    std::vector<std::uint8_t> bytes;
    const char *detail;
  };
  const Case cases[] = {
      {"no tables", EditedWorkedExample(test::kTableCountAt, 0), "table count 0"},
      {"negative table count", EditedWorkedExample(test::kTableCountAt, -1), "table count -1"},
      {"table count past 16 bits", EditedWorkedExample(test::kTableCountAt, 32768),
       "table count 32768"},
      {"huge table count", EditedWorkedExample(test::kTableCountAt, 0x7FFFFFFF), "table count"},
      {"table run past the end", EditedWorkedExample(test::kTableCountAt, 30), "table records"},
      {"negative entry count", EditedWorkedExample(test::EntryCountAt(1), -1),
       "negative entry count"},
      {"entry count past 16 bits", EditedWorkedExample(test::EntryCountAt(0), 40000),
       "32767 entries"},
      {"entry run past the end", EditedWorkedExample(test::EntryCountAt(1), 7),
       "entry records of table 2"},
      {"entries beyond the file", EditedWorkedExample(test::EntriesOffsetAt(0), 1 << 30),
       "past the end"},
      {"entries at the last bytes", EditedWorkedExample(test::EntriesOffsetAt(1), 204 - 11),
       "past the end"},
      {"negative entries offset", EditedWorkedExample(test::EntriesOffsetAt(0), -12),
       "past the end"},
      {"offset plus run overflows", EditedWorkedExample(test::EntriesOffsetAt(0), 0x7FFFFFF0),
       "past the end"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRefused(c.bytes, c.detail);
  }
}

TEST(ReadArchive, RunningSumsPastTheLimitsAreRefused) {
  // The counts alone are too many: refused before any entry is read.
  auto entries = BuildArchive({{Tag(" pls"), {}}, {Tag(" vaw"), {}}});
  PutI32(entries, test::EntryCountAt(0), 20000);
  PutI32(entries, test::EntryCountAt(1), 20000);
  ExpectRefused(entries, "32767 entries");

  // 32766 entries fit the entry counter, but with their heading make 32767 list lines.
  auto lines = BuildArchive({{Tag(" pls"), {}}});
  PutI32(lines, test::EntryCountAt(0), 32766);
  ExpectRefused(lines, "32766 list lines");
}

TEST(ReadArchive, LargestListIsRead) {
  // One heading and 32765 entries: exactly 32766 list lines.
  std::vector<ArchiveEntrySpec> entries(32765);
  for (std::size_t i = 0; i < entries.size(); ++i)
    entries[i].id = static_cast<std::int32_t>(i) - 5;
  const auto reading = ReadBytes(BuildArchive({{Tag(" pls"), entries}}));
  ASSERT_TRUE(reading.contents);
  ASSERT_EQ(reading.contents->lines.size(), 32766u);
  EXPECT_EQ(reading.contents->lines.front().text, "--SLP (32765)--");
  EXPECT_EQ(reading.contents->lines.back().text, "32759");
  EXPECT_EQ(reading.contents->lines.back().entry.id, 32759);
}

TEST(ReadArchive, TruncatedArchivesAreRefused) {
  const auto whole = BuildArchive(test::WorkedExampleTables());
  // Resource bytes start at 144; a cut anywhere in the records leaves a run short.
  for (std::size_t length : {0u, 27u, 60u, 83u, 90u, 107u, 120u, 131u, 143u}) {
    SCOPED_TRACE(length);
    ExpectRefused({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)},
                  length < 84 ? "header" : "past the end");
  }
}

TEST(ReadArchive, ArchiveWithoutItsResourceBytesStillLists) {
  // The resources are only needed when one is copied out.
  const auto whole = BuildArchive(test::WorkedExampleTables());
  const auto reading = ReadBytes({whole.begin(), whole.begin() + 144});
  ASSERT_TRUE(reading.contents);
  EXPECT_EQ(reading.contents->lines.size(), 5u);
}

TEST(ReadArchive, LabelIsTheFileTitle) {
  EXPECT_EQ(ArchiveLabel("C:\\games\\data\\graphics.drs"), "graphics");
  EXPECT_EQ(ArchiveLabel("/home/u/swgb/sounds.drs"), "sounds");
  EXPECT_EQ(ArchiveLabel("graphics.drs"), "graphics.drs");
}

} // namespace
} // namespace tessary
