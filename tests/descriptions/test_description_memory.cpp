// Loading a description file applies its lines as they are read, in memory near the file's size.
#include "descriptions/description_file.hpp"
#include "support/address_limit.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

namespace tessary {
namespace {

std::vector<DRSFileInfo> Entries(std::initializer_list<std::int32_t> ids) {
  std::vector<DRSFileInfo> files;
  for (const std::int32_t id : ids)
    files.push_back(DRSFileInfo{id, 0, 0, {}});
  return files;
}

TEST(LoadDescriptionFile, AppliesAsReadingAndApplyingDo) {
  const struct {
    const char *name;
    std::string text;
  } cases[] = {
      {"matched, unmatched and skipped lines", "7@1@2@3@seven\r\nbroken\r\n99@0@0@0@x\r\n"},
      {"a later line for the same identifier wins", "7@0@0@0@first\n7@1@1@1@second\n"},
      {"an empty file", ""},
  };
  test::TempDir dir;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteText(dir.file("d.txt"), c.text);
    std::vector<DRSFileInfo> loadedFiles = Entries({0, 7, 7, 12});
    std::vector<DRSFileInfo> expectedFiles = loadedFiles;
    const LoadedDescriptions loaded = LoadDescriptionFile(loadedFiles, dir.file("d.txt"));
    const ParsedDescriptions parsed = ReadDescriptionFile(dir.file("d.txt"));
    const AppliedDescriptions expected = ApplyDescriptions(expectedFiles, parsed.records);
    EXPECT_EQ(loaded.skipped, parsed.skipped);
    EXPECT_EQ(loaded.applied.applied, expected.applied);
    EXPECT_EQ(loaded.applied.unmatched, expected.unmatched);
    EXPECT_EQ(loaded.applied.changedLines, expected.changedLines);
    for (std::size_t i = 0; i < loadedFiles.size(); ++i)
      EXPECT_EQ(loadedFiles[i].naming, expectedFiles[i].naming) << i;
  }
}

// The largest file read, of the shortest usable lines: held as a list of records it took
// 17 times its size.
TEST(LoadDescriptionFile, ManyShortLinesNeedLittleMoreThanTheFile) {
  if (test::kUnderSanitizer)
    GTEST_SKIP() << "the sanitizers' own address reservations make an address-space limit "
                    "meaningless";
  test::TempDir dir;
  const std::string line = "1@0@0@0@\n";
  std::string text;
  text.reserve(kMaxDescriptionFileSize);
  while (text.size() + line.size() <= kMaxDescriptionFileSize)
    text += line;
  test::WriteText(dir.file("d.txt"), text);
  const std::size_t lines = text.size() / line.size();
  std::string().swap(text);
  const test::ChildOutcome child =
      test::RunWithAddressHeadroom(std::uint64_t{48} << 20, [&](std::string &result) {
        std::vector<DRSFileInfo> files = Entries({0, 1});
        const LoadedDescriptions loaded = LoadDescriptionFile(files, dir.file("d.txt"));
        result = std::to_string(loaded.applied.applied);
        return 0;
      });
  ASSERT_TRUE(child.exited) << "the load ran out of memory";
  EXPECT_EQ(child.code, 0);
  EXPECT_EQ(child.text, std::to_string(lines));
}

} // namespace
} // namespace tessary
