#include "archive/drs_writer.hpp"
#include "common/paths.hpp"

#include "archive/extract.hpp"
#include "archive/read_archive.hpp"
#include "common/error.hpp"
#include "support/archive_fixture.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::GetI32;
using test::Tag;

std::string TextAt(const std::vector<std::uint8_t> &bytes, std::size_t offset, std::size_t n) {
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                     bytes.begin() + static_cast<std::ptrdiff_t>(offset + n));
}

TEST(BuildArchive, LaysOutHeaderRecordsAndResources) {
  const auto bytes = BuildArchive(test::WorkedExampleTables());
  ASSERT_EQ(bytes.size(), 84u + 24 + 36 + 60);
  EXPECT_EQ(TextAt(bytes, 0, 60),
            std::string("Copyright (c) 2001 LucasArts") + std::string(32, '\0'));
  EXPECT_EQ(TextAt(bytes, 60, 4), "1.00");
  EXPECT_EQ(TextAt(bytes, 64, 12), std::string("tribe") + std::string(7, '\0'));
  EXPECT_EQ(GetI32(bytes, 76), 2);   // tableCount
  EXPECT_EQ(GetI32(bytes, 80), 144); // headerTail: the first resource byte
  EXPECT_EQ(TextAt(bytes, 84, 4), " pls");
  EXPECT_EQ(GetI32(bytes, 88), 108);
  EXPECT_EQ(GetI32(bytes, 92), 2);
  EXPECT_EQ(TextAt(bytes, 96, 4), " vaw");
  EXPECT_EQ(GetI32(bytes, 100), 132);
  EXPECT_EQ(GetI32(bytes, 104), 1);
  // Entry records: id, offset, size.
  const std::int32_t entries[][3] = {{100, 144, 10}, {101, 154, 20}, {200, 174, 30}};
  for (std::size_t e = 0; e < 3; ++e)
    for (std::size_t f = 0; f < 3; ++f)
      EXPECT_EQ(GetI32(bytes, 108 + 12 * e + 4 * f), entries[e][f]) << e << "," << f;
  EXPECT_EQ(TextAt(bytes, 144, 10), TextAt(test::Pattern(10, 1), 0, 10));
  EXPECT_EQ(TextAt(bytes, 174, 30), TextAt(test::Pattern(30, 3), 0, 30));
}

TEST(BuildArchive, NoTablesGivesTheBareHeader) {
  const auto bytes = BuildArchive({});
  ASSERT_EQ(bytes.size(), 84u);
  EXPECT_EQ(GetI32(bytes, 76), 0);
  EXPECT_EQ(GetI32(bytes, 80), 84);
}

// ----- packing a folder -----

class PackTest : public ::testing::Test {
protected:
  PackTest() { fs::create_directory(folder()); }
  std::string folder() const { return dir_.file("res"); }
  std::string archive() const { return dir_.file("out.drs"); }
  void put(const std::string &name, const std::vector<std::uint8_t> &bytes) {
    test::WriteFile(folder() + "/" + name, bytes);
  }

  void expectRefused(const std::string &detailPart, const std::string &archivePath = {}) {
    test::ExpectError(
        [&] { WriteArchive(folder(), archivePath.empty() ? archive() : archivePath); },
        "Error saving file!", detailPart);
  }

  // Every file of the folder besides out.drs, and so no temporary left behind.
  std::vector<std::string> strays() const {
    std::vector<std::string> names;
    for (const auto &item : fs::directory_iterator(dir_.path()))
      if (item.path().filename() != "res" && item.path().filename() != "out.drs")
        names.push_back(item.path().filename().string());
    return names;
  }

  test::TempDir dir_;
};

TEST_F(PackTest, RoundTripGivesBackEveryFileByteForByte) {
  const std::map<std::string, std::vector<std::uint8_t>> files = {
      {"10.slp", test::Pattern(70000, 1)}, {"2.slp", test::Pattern(3, 2)},
      {"-5.slp", test::Pattern(1024, 3)},  {"0.slp", {}},
      {"200.wav", test::Pattern(1025, 4)}, {"7.bin", test::Pattern(1023, 5)},
      {"-1.bin", {'J', 'A', 'S', 'C'}},
  };
  for (const auto &[name, bytes] : files)
    put(name, bytes);
  WriteArchive(folder(), archive());

  BoundedFile file(PathOf(archive()), ErrorKind::ArchiveRead);
  int questions = 0;
  const auto contents = ReadArchive(file, [&] { return ++questions, false; });
  ASSERT_TRUE(contents);
  EXPECT_EQ(questions, 0);
  std::vector<std::string> texts;
  for (const auto &line : contents->lines)
    texts.push_back(line.text);
  // Tables SLP, WAV, BIN; entries by ascending identifier.
  EXPECT_EQ(texts, (std::vector<std::string>{"--SLP (4)--", "-5", "0", "2", "10", "--WAV (1)--",
                                             "200", "--BIN (2)--", "-1", "7"}));
  for (const auto &line : contents->lines) {
    if (line.kind == kKindHeading)
      continue;
    const auto name = ProposedExtractName(line.entry.id, line.kind).name;
    SCOPED_TRACE(name);
    const std::string copy = dir_.file("copy");
    ExtractResource(file, copy, line.entry, {});
    EXPECT_EQ(test::ReadFile(copy), files.at(name));
  }
  EXPECT_EQ(GetI32(test::ReadFile(archive()), 80), 84 + 3 * 12 + 7 * 12);
}

TEST_F(PackTest, OnlyTheKindsPresentGetTables) {
  put("3.wav", {1});
  put("1.wav", {2});
  WriteArchive(folder(), archive());
  BoundedFile file(PathOf(archive()), ErrorKind::ArchiveRead);
  const auto contents = ReadArchive(file, {});
  ASSERT_TRUE(contents);
  ASSERT_EQ(contents->lines.size(), 3u);
  EXPECT_EQ(contents->lines[0].text, "--WAV (2)--");
  EXPECT_EQ(contents->lines[1].text, "1");
  EXPECT_EQ(contents->lines[2].kind, kKindSound);
}

TEST_F(PackTest, OtherNamesAreRefusedNamingThemAndNothingIsWritten) {
  const char *refused[] = {"readme.txt", "007.slp", "+5.slp",         "-0.slp",  "5.SLP",
                           "5.slp.bak",  ".slp",    "2147483648.wav", "1e3.bin", " 5.slp"};
  for (const char *name : refused) {
    SCOPED_TRACE(name);
    fs::remove_all(folder());
    fs::create_directory(folder());
    put("1.slp", {1});
    put(name, {2});
    const std::vector<std::uint8_t> previous{'o', 'l', 'd'};
    test::WriteFile(archive(), previous);
    expectRefused(std::string("also holds ") + name);
    EXPECT_EQ(test::ReadFile(archive()), previous);
    EXPECT_TRUE(strays().empty());
  }
}

TEST_F(PackTest, SubfolderIsRefused) {
  put("1.slp", {1});
  fs::create_directory(folder() + "/2.slp");
  expectRefused("2.slp");
  EXPECT_FALSE(fs::exists(archive()));
}

TEST_F(PackTest, NothingToPackIsRefused) {
  expectRefused("no ID.slp, ID.wav or ID.bin");
  fs::remove(folder());
  expectRefused("is not a folder");
  EXPECT_FALSE(fs::exists(archive()));
}

TEST_F(PackTest, FileTooLargeToExtractAgainIsRefused) {
  put("1.slp", {});
  fs::resize_file(folder() + "/1.slp", kMaxExtractSize + 1); // sparse: costs no disk
  expectRefused("33554431");
  EXPECT_FALSE(fs::exists(archive()));
}

TEST_F(PackTest, ArchiveMayNotReplaceOneOfItsSources) {
  const auto bytes = test::Pattern(50);
  put("1.slp", bytes);
  expectRefused("one of the files being packed", folder() + "/1.slp");
  EXPECT_EQ(test::ReadFile(folder() + "/1.slp"), bytes);
}

TEST_F(PackTest, UnwritableArchivePathLeavesNothing) {
  put("1.slp", {1});
  expectRefused("missing/out.drs", dir_.file("missing/out.drs"));
  EXPECT_TRUE(strays().empty());
}

} // namespace
} // namespace tessary
