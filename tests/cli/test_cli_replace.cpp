// replace: a new archive with one resource's bytes replaced or added, everything else kept.
#include "archive/extract.hpp"
#include "archive/read_archive.hpp"
#include "cli/cli_harness.hpp"
#include "common/paths.hpp"
#include "support/archive_fixture.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::ExpectFailure;
using test::ExpectWrongWords;
using test::Pattern;
using test::Tag;
using Bytes = std::vector<std::uint8_t>;

// Identifier 100 twice in the sprite table, so "the first in list order" shows.
std::vector<ArchiveTableSpec> Tables() {
  return {{Tag(" pls"), {{100, Pattern(10, 1)}, {101, Pattern(20, 2)}, {100, Pattern(5, 3)}}},
          {Tag(" vaw"), {{200, Pattern(30, 4)}}}};
}

const Bytes kNew = Pattern(7, 9);

// Each list line with the bytes of its entry (none for a heading).
using Listing = std::vector<std::pair<std::string, Bytes>>;

Listing Read(const std::string &path, HeaderLayout *layout = nullptr) {
  BoundedFile file(PathOf(path), ErrorKind::ArchiveRead);
  const auto contents = ReadArchive(file, [] { return true; });
  Listing listing;
  if (!contents)
    return listing;
  if (layout)
    *layout = contents->header.layout;
  for (const auto &line : contents->lines)
    listing.emplace_back(line.text, line.kind == kKindHeading
                                        ? Bytes{}
                                        : ReadResource(file, line.entry, ErrorKind::ArchiveRead));
  return listing;
}

class CliReplace : public ::testing::Test {
protected:
  std::string write(const std::string &name, const Bytes &bytes) {
    const std::string path = dir_.file(name);
    test::WriteFile(path, bytes);
    return path;
  }
  test::TempDir dir_;
};

TEST_F(CliReplace, ReplacesOrAddsAndKeepsEverythingElse) {
  const Bytes p1 = Pattern(10, 1), p2 = Pattern(20, 2), p3 = Pattern(5, 3), p4 = Pattern(30, 4);
  struct Case {
    const char *name;
    HeaderLayout layout;
    const char *id;
    const char *file; // its extension matters only for an identifier not yet held
    Listing expected;
  };
  const Case cases[] = {
      {"in the sprite table",
       HeaderLayout::Swgb,
       "101",
       "new.txt",
       {{"--SLP (3)--", {}},
        {"100", p1},
        {"101", kNew},
        {"100", p3},
        {"--WAV (1)--", {}},
        {"200", p4}}},
      {"in the sound table",
       HeaderLayout::Swgb,
       "200",
       "new.slp",
       {{"--SLP (3)--", {}},
        {"100", p1},
        {"101", p2},
        {"100", p3},
        {"--WAV (1)--", {}},
        {"200", kNew}}},
      {"a repeated identifier: the first",
       HeaderLayout::Swgb,
       "100",
       "new",
       {{"--SLP (3)--", {}},
        {"100", kNew},
        {"101", p2},
        {"100", p3},
        {"--WAV (1)--", {}},
        {"200", p4}}},
      {"added to its table, extension in any case",
       HeaderLayout::Swgb,
       "-5",
       "new.SLP",
       {{"--SLP (4)--", {}},
        {"100", p1},
        {"101", p2},
        {"100", p3},
        {"-5", kNew},
        {"--WAV (1)--", {}},
        {"200", p4}}},
      {"added to the last table",
       HeaderLayout::Swgb,
       "201",
       "new.wav",
       {{"--SLP (3)--", {}},
        {"100", p1},
        {"101", p2},
        {"100", p3},
        {"--WAV (2)--", {}},
        {"200", p4},
        {"201", kNew}}},
      {"a new table at the end",
       HeaderLayout::Swgb,
       "300",
       "new.Bin",
       {{"--SLP (3)--", {}},
        {"100", p1},
        {"101", p2},
        {"100", p3},
        {"--WAV (1)--", {}},
        {"200", p4},
        {"--BIN (1)--", {}},
        {"300", kNew}}},
      {"older header, replaced",
       HeaderLayout::Aoe,
       "101",
       "new.slp",
       {{"--SLP (3)--", {}},
        {"100", p1},
        {"101", kNew},
        {"100", p3},
        {"--WAV (1)--", {}},
        {"200", p4}}},
      {"older header, new table",
       HeaderLayout::Aoe,
       "1",
       "new.bin",
       {{"--SLP (3)--", {}},
        {"100", p1},
        {"101", p2},
        {"100", p3},
        {"--WAV (1)--", {}},
        {"200", p4},
        {"--BIN (1)--", {}},
        {"1", kNew}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes before = BuildArchive(Tables(), c.layout);
    const std::string archive = write("in.drs", before);
    const std::string file = write(c.file, kNew);
    const std::string output = dir_.file("out.drs");
    fs::remove(output);
    const auto outcome = Call({"replace", archive, c.id, file, "-o", output});
    ASSERT_EQ(outcome.code, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    HeaderLayout layout{};
    EXPECT_EQ(Read(output, &layout), c.expected);
    EXPECT_EQ(layout, c.layout);
    // The header's texts are kept; its counts are the new archive's.
    const Bytes after = test::ReadFile(output);
    const std::size_t textsEnd = c.layout == HeaderLayout::Aoe ? 56 : 76;
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + textsEnd, after.begin()));
    std::int32_t tables = 0;
    for (const auto &line : c.expected)
      tables += line.second.empty() && line.first.starts_with("--");
    EXPECT_EQ(test::GetI32(after, textsEnd), tables);
    EXPECT_EQ(test::ReadFile(archive), before); // the archive itself is never written
  }
}

TEST_F(CliReplace, ForcedArchiveKeepsItsOwnBanner) {
  Bytes bytes = BuildArchive(Tables());
  std::memcpy(bytes.data(), "Some other banner, 60 bytes of it", 33);
  const std::string archive = write("odd.drs", bytes);
  const std::string file = write("new.slp", kNew);
  ExpectFailure(Call({"replace", archive, "101", file, "-o", dir_.file("out.drs")}),
                "Error reading from DRS file!", "--force");
  EXPECT_FALSE(fs::exists(dir_.file("out.drs")));
  ASSERT_EQ(Call({"replace", archive, "101", file, "-o", dir_.file("out.drs"), "--force"}).code, 0);
  const Bytes after = test::ReadFile(dir_.file("out.drs"));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 76, after.begin()));
}

TEST_F(CliReplace, FailuresWriteNothing) {
  const Bytes before = BuildArchive(Tables());
  const std::string archive = write("in.drs", before);
  const std::string file = write("new.slp", kNew);
  // An entry the archive cannot give back: the new archive would lose it.
  Bytes broken = before;
  test::PutI32(broken, static_cast<std::size_t>(test::GetI32(broken, test::EntriesOffsetAt(1))) + 4,
               1 << 20);
  const std::string brokenArchive = write("broken.drs", broken);
  struct Case {
    const char *name;
    std::vector<std::string> args;
    const char *message;
    const char *detail;
  };
  const Case cases[] = {
      {"onto the archive",
       {"replace", archive, "101", file, "-o", archive},
       "Error saving file!",
       "itself"},
      {"onto the file of new bytes",
       {"replace", archive, "101", file, "-o", file},
       "Error saving file!",
       "itself"},
      {"missing file of new bytes",
       {"replace", archive, "101", dir_.file("none.slp"), "-o", dir_.file("out.drs")},
       "Error saving file!",
       "none.slp"},
      {"an entry past the end",
       {"replace", brokenArchive, "101", file, "-o", dir_.file("out.drs")},
       "Error reading from DRS file!",
       "200"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ExpectFailure(Call(c.args), c.message, c.detail);
    EXPECT_FALSE(fs::exists(dir_.file("out.drs")));
    EXPECT_EQ(test::ReadFile(archive), before);
    EXPECT_EQ(test::ReadFile(file), kNew);
  }
}

TEST_F(CliReplace, WrongWordsExitWithTwo) {
  const std::string archive = write("in.drs", BuildArchive(Tables()));
  const std::string output = dir_.file("out.drs");
  struct Case {
    const char *name;
    std::vector<std::string> args;
    const char *message;
  };
  const Case cases[] = {
      {"new identifier, unknown extension",
       {"replace", archive, "5", write("new.txt", kNew), "-o", output},
       ".slp, .wav or .bin"},
      {"new identifier, no extension",
       {"replace", archive, "5", write("new", kNew), "-o", output},
       ".slp, .wav or .bin"},
      {"identifier not a number",
       {"replace", archive, "x1", write("a.slp", kNew), "-o", output},
       "x1"},
      {"no output", {"replace", archive, "100", write("b.slp", kNew)}, "--output"},
      {"no file", {"replace", archive, "100", "-o", output}, "FILE"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ExpectWrongWords(Call(c.args), c.message);
    EXPECT_FALSE(fs::exists(output));
  }
}

} // namespace
} // namespace tessary
