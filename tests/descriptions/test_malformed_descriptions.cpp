// Damaged description files: short lines and garbage are skipped and counted, the lines that can
// be used are used, and a file that cannot be read at all fails with a message naming it.
#include "common/error.hpp"
#include "descriptions/description_file.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tessary {
namespace {

DescriptionRecord Record(std::int32_t id, std::int32_t c0, std::int32_t c1, std::int32_t c2,
                         std::string description) {
  DescriptionRecord r;
  r.id = id;
  r.naming.choice = {c0, c1, c2};
  r.naming.description = std::move(description);
  return r;
}

std::string Repeat(const std::string &piece, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i)
    text += piece;
  return text;
}

TEST(MalformedDescriptions, BadLinesAreSkippedAndCounted) {
  using namespace std::string_literals;
  const std::string longDescription(100000, 'x');
  const struct {
    const char *name;
    std::string text;
    std::vector<DescriptionRecord> records;
    int skipped;
    const char *status; // after applying to a list holding identifiers 7 and 8
  } cases[] = {
      {"one field", "7\r\n", {}, 1, "Descriptions loaded: 0 applied, 1 skipped"},
      {"four fields", "7@1@2@3\r\n", {}, 1, "Descriptions loaded: 0 applied, 1 skipped"},
      {"only separators", "@@@\r\n@@@@\r\n", {}, 2, "Descriptions loaded: 0 applied, 2 skipped"},
      {"empty lines", "\r\n\n\r\n", {}, 3, "Descriptions loaded: 0 applied, 3 skipped"},
      {"empty choice", "7@@0@0@a\r\n", {}, 1, "Descriptions loaded: 0 applied, 1 skipped"},
      {"choice not a number",
       "7@one@0@0@a\r\n",
       {},
       1,
       "Descriptions loaded: 0 applied, 1 skipped"},
      {"choice with a fraction",
       "7@1.0@0@0@a\r\n",
       {},
       1,
       "Descriptions loaded: 0 applied, 1 skipped"},
      {"choice below its list",
       "7@-1@0@0@a\r\n",
       {},
       1,
       "Descriptions loaded: 0 applied, 1 skipped"},
      {"choices past their lists",
       "7@7@0@0@a\r\n8@0@5@0@b\r\n8@0@0@10@c\r\n",
       {},
       3,
       "Descriptions loaded: 0 applied, 3 skipped"},
      {"choice past 32 bits",
       "7@4294967297@0@0@a\r\n",
       {},
       1,
       "Descriptions loaded: 0 applied, 1 skipped"},
      {"identifier past 32 bits",
       "2147483648@0@0@0@a\r\n-2147483649@0@0@0@b\r\n",
       {},
       2,
       "Descriptions loaded: 0 applied, 2 skipped"},
      {"identifier with a vast exponent",
       "1e999999@0@0@0@a\r\n",
       {},
       1,
       "Descriptions loaded: 0 applied, 1 skipped"},
      {"identifier that is text",
       "seven@1@0@0@a\r\n",
       {Record(0, 1, 0, 0, "a")},
       0,
       "Descriptions loaded: 0 applied, 1 not in this archive, 0 skipped"},
      {"good line between bad ones",
       "junk\r\n7@1@2@3@kept\r\n@\r\n",
       {Record(7, 1, 2, 3, "kept")},
       2,
       "Descriptions loaded: 1 applied, 2 skipped"},
      {"lone CR does not end a line",
       "7@1@0@0@a\r8@2@0@0@b\r\n",
       {Record(7, 1, 0, 0, "a\r8")},
       0,
       "Descriptions loaded: 1 applied, 0 skipped"},
      {"last line without its end",
       "8@1@1@1@end",
       {Record(8, 1, 1, 1, "end")},
       0,
       "Descriptions loaded: 1 applied, 0 skipped"},
      {"control and high bytes",
       "\0\x01\xff@\x80\r\n7@0@0@1@\0\xfe\r\n"s,
       {Record(7, 0, 0, 1, "\0\xfe"s)},
       1,
       "Descriptions loaded: 1 applied, 1 skipped"},
      {"a very long description",
       "8@0@0@0@" + longDescription + "\r\n",
       {Record(8, 0, 0, 0, longDescription)},
       0,
       "Descriptions loaded: 1 applied, 0 skipped"},
      {"thousands of separators",
       Repeat("@", 50000),
       {},
       1,
       "Descriptions loaded: 0 applied, 1 skipped"},
      {"thousands of short lines",
       Repeat("7@\r\n", 20000),
       {},
       20000,
       "Descriptions loaded: 0 applied, 20000 skipped"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const ParsedDescriptions parsed = ParseDescriptionText(c.text);
    EXPECT_EQ(parsed.records, c.records);
    EXPECT_EQ(parsed.skipped, c.skipped);
    std::vector<DRSFileInfo> files(2);
    files[0].id = 7;
    files[1].id = 8;
    const AppliedDescriptions applied = ApplyDescriptions(files, parsed.records);
    EXPECT_EQ(DescriptionLoadStatus(applied, parsed.skipped), c.status);
  }
}

TEST(MalformedDescriptions, FilesThatCannotBeReadNameThemselves) {
  test::TempDir dir;
  const std::string missing = dir.file("missing.dsc");
  const std::string folder = dir.file("folder.dsc");
  std::filesystem::create_directory(folder);
  const std::string huge = dir.file("huge.dsc");
  test::WriteText(huge, "");
  std::filesystem::resize_file(huge, kMaxDescriptionFileSize + 1);
  for (const std::string &path : {missing, folder, huge}) {
    SCOPED_TRACE(path);
    try {
      ReadDescriptionFile(path);
      ADD_FAILURE() << "read without an error";
    } catch (const Error &e) {
      EXPECT_EQ(e.message(), "Error opening description file \"" + path + "\"!");
      EXPECT_FALSE(e.detail().empty());
    }
  }
}

TEST(MalformedDescriptions, AGarbageFileIsReadLineByLine) {
  test::TempDir dir;
  const std::string path = dir.file("garbage.dsc");
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 4096; ++i)
    bytes.push_back(static_cast<std::uint8_t>((i * 37 + 11) % 256));
  const std::string good = "\n8@6@4@9@found\n";
  bytes.insert(bytes.end(), good.begin(), good.end());
  test::WriteFile(path, bytes);
  const ParsedDescriptions parsed = ReadDescriptionFile(path);
  ASSERT_FALSE(parsed.records.empty());
  EXPECT_EQ(parsed.records.back(), Record(8, 6, 4, 9, "found"));
  EXPECT_GT(parsed.skipped, 0);
}

} // namespace
} // namespace tessary
