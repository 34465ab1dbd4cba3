#include "common/error.hpp"
#include "descriptions/description_file.hpp"
#include "descriptions/naming.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace tessary {
namespace {

ResourceNaming Naming(std::int32_t c0, std::int32_t c1, std::int32_t c2, std::string text) {
  ResourceNaming n;
  n.choice = {c0, c1, c2};
  n.description = std::move(text);
  return n;
}

DRSFileInfo Entry(std::int32_t id, ResourceNaming naming = {}) {
  DRSFileInfo f;
  f.id = id;
  f.offset = 100;
  f.size = 10;
  f.naming = std::move(naming);
  return f;
}

DRSFileInfo Heading() { return DRSFileInfo{}; }

std::string ReadText(const std::string &path) {
  const auto bytes = test::ReadFile(path);
  return {bytes.begin(), bytes.end()};
}

// A small list as an archive gives it: a heading, entries, a second heading, a repeated id.
std::vector<DRSFileInfo> SmallList() {
  return {Heading(), Entry(50500), Entry(100), Heading(), Entry(7), Entry(100)};
}

TEST(NamingLists, HoldTheFixedItemsInOrder) {
  EXPECT_EQ(RenameListItems(0), (std::vector<std::string>{"[N/A]", "Empire", "Gungans", "Rebels",
                                                          "Naboo", "Trade Fed.", "Wookiees"}));
  EXPECT_EQ(RenameListItems(1),
            (std::vector<std::string>{"[N/A]", "1 (T1)", "2 (T2)", "3 (T3)", "4 (T4)"}));
  EXPECT_EQ(
      RenameListItems(2),
      (std::vector<std::string>{"[N/A]", "Building Normal", "Building Shadow",
                                "Building Foundation", "Building Partial", "Unit Attacking",
                                "Unit Dying", "Unit Standing", "Unit Decaying", "Unit Walking"}));
  EXPECT_TRUE(RenameListItems(3).empty());
}

struct LabelCase {
  ResourceNaming naming;
  std::string label;
};

TEST(NamingLabel, BuildsFactionTechAndDescription) {
  const std::vector<LabelCase> cases = {
      {Naming(1, 2, 5, "Trooper walking"), "E/T2: Trooper walking"},
      {Naming(3, 0, 0, "Hangar"), "R: Hangar"},
      {Naming(0, 4, 0, ""), "T4: "},
      {Naming(0, 0, 7, ""), ""},
      {Naming(0, 0, 6, "Dying"), "Dying"},
      {Naming(0, 0, 0, "  spaced  "), "  spaced  "},
      {Naming(5, 1, 0, "x"), "T/T1: x"},
      {Naming(6, 0, 9, ""), "W: "},
      {Naming(2, 3, 0, "a@b"), "G/T3: a@b"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(NamingLabel(c.naming), c.label) << c.label;
}

TEST(NamingLabel, ShowsAFactionOutsideTheListByNumber) {
  EXPECT_EQ(NamingLabel(Naming(9, 0, 0, "d")), "9: d");
  EXPECT_EQ(NamingLabel(Naming(-1, 2, 0, "d")), "-1/T2: d");
}

struct LineCase {
  const char *name;
  DRSFileInfo file;
  std::optional<std::string> line;
};

TEST(DescriptionLine, WritesOnlyNamedEntries) {
  const std::vector<LineCase> cases = {
      {"unnamed", Entry(100), std::nullopt},
      {"full", Entry(50500, Naming(1, 2, 5, "Trooper walking")), "50500@1@2@5@Trooper walking"},
      {"graphic only", Entry(100, Naming(0, 0, 6, "")), "100@0@0@6@"},
      {"description only", Entry(3, Naming(0, 0, 0, "x")), "3@0@0@0@x"},
      {"unnamed heading", Heading(), std::nullopt},
      {"named heading", DRSFileInfo{0, 0, 0, Naming(4, 0, 0, "head")}, "0@4@0@0@head"},
      {"negative id", Entry(-12, Naming(0, 1, 0, "")), "-12@0@1@0@"},
      {"spaces trimmed", Entry(8, Naming(0, 0, 0, "  two words  ")), "8@0@0@0@two words"},
      {"only spaces", Entry(8, Naming(0, 0, 0, "   ")), "8@0@0@0@"},
      {"at sign kept whole", Entry(9, Naming(0, 0, 0, "a@b")), "9@0@0@0@a@b"},
      {"line break as space", Entry(9, Naming(0, 0, 0, "a\r\nb\n")), "9@0@0@0@a  b"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(DescriptionLine(c.file), c.line) << c.name;
}

struct IdCase {
  const char *field;
  std::optional<std::int32_t> id;
};

TEST(DescriptionId, ReadsTheNumberAtTheStart) {
  const std::vector<IdCase> cases = {
      {"50500", 50500},
      {"050500", 50500},
      {" 50500", 50500},
      {"\t50500 ", 50500},
      {"50 500", 50500},
      {"50500abc", 50500},
      {"12-3", 12},
      {"", 0},
      {"   ", 0},
      {"abc", 0},
      {"-12", -12},
      {"- 12", -12},
      {"+7", 7},
      {"2.5", 2},
      {"3.5", 4},
      {"-2.5", -2},
      {".7", 1},
      {"1e3", 1000},
      {"1E+2x", 100},
      {"1e", 1},
      {"1ex", 1},
      {"2147483647", std::numeric_limits<std::int32_t>::max()},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483647.4", std::numeric_limits<std::int32_t>::max()},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"1e400", std::nullopt},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ParseDescriptionId(c.field), c.id) << '"' << c.field << '"';
}

struct ChoiceCase {
  const char *field;
  std::optional<std::int32_t> value;
};

TEST(DescriptionChoice, TakesOnlyWholeNumbers) {
  const std::vector<ChoiceCase> cases = {
      {"3", 3},
      {" 3 ", 3},
      {"\t4", 4},
      {"+2", 2},
      {"-1", -1},
      {"007", 7},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483647", std::numeric_limits<std::int32_t>::max()},
      {"2147483648", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"1.5", std::nullopt},
      {"1 2", std::nullopt},
      {"x", std::nullopt},
      {"3x", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ParseChoiceField(c.field), c.value) << '"' << c.field << '"';
}

struct SkipCase {
  const char *line;
  bool applied;
};

TEST(DescriptionText, SkipsLinesThatCannotBeApplied) {
  const std::vector<SkipCase> cases = {
      {"100@1@2@3@ok", true},
      {"100@0@0@0@", true},
      {"100@6@4@9@upper bounds", true},
      {"100@ 1 @ 2 @ 3 @blanks", true},
      {"\r\n", false}, // an empty line
      {"100@1@2@3", false},
      {"just text", false},
      {"100@1.5@0@0@x", false},
      {"100@@0@0@x", false},
      {"100@a@0@0@x", false},
      {"100@7@0@0@faction too high", false},
      {"100@0@5@0@tech too high", false},
      {"100@0@0@10@graphic too high", false},
      {"100@-1@0@0@negative", false},
      {"3000000000@1@0@0@id too large", false},
  };
  for (const auto &c : cases) {
    const ParsedDescriptions parsed = ParseDescriptionText(c.line);
    EXPECT_EQ(parsed.records.size(), c.applied ? 1u : 0u) << '"' << c.line << '"';
    EXPECT_EQ(parsed.skipped, c.applied ? 0 : 1) << '"' << c.line << '"';
  }
}

TEST(DescriptionText, SplitsAtCrLfOrLfAndCountsSkippedLines) {
  const ParsedDescriptions parsed = ParseDescriptionText(
      "1@1@0@0@a\r\n\r\nbroken\n2@0@1@0@b\n3@0@0@1@c\r\n4@x@0@0@d\r\n5@0@0@0@e");
  ASSERT_EQ(parsed.records.size(), 4u);
  EXPECT_EQ(parsed.records[0], (DescriptionRecord{1, Naming(1, 0, 0, "a")}));
  EXPECT_EQ(parsed.records[1], (DescriptionRecord{2, Naming(0, 1, 0, "b")}));
  EXPECT_EQ(parsed.records[2], (DescriptionRecord{3, Naming(0, 0, 1, "c")}));
  EXPECT_EQ(parsed.records[3], (DescriptionRecord{5, Naming(0, 0, 0, "e")}));
  EXPECT_EQ(parsed.skipped, 3); // the empty line, "broken" and the "x" choice
}

TEST(DescriptionText, EmptyTextAndAFinalLineEndHoldNoLines) {
  EXPECT_TRUE(ParseDescriptionText("").records.empty());
  EXPECT_EQ(ParseDescriptionText("").skipped, 0);
  const ParsedDescriptions parsed = ParseDescriptionText("1@0@0@0@a\r\n");
  EXPECT_EQ(parsed.records.size(), 1u);
  EXPECT_EQ(parsed.skipped, 0);
}

TEST(DescriptionText, TakesTheDescriptionUnchangedUpToTheNextAtSign) {
  const auto cut = ParseDescriptionLine("9@0@0@0@  left@right@more");
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->naming.description, "  left");
  const auto lone = ParseDescriptionLine("9@0@0@0@a\rb ");
  ASSERT_TRUE(lone);
  EXPECT_EQ(lone->naming.description, "a\rb ");
}

TEST(ApplyDescriptions, NamesTheFirstEntryWithTheId) {
  std::vector<DRSFileInfo> files = SmallList();
  const AppliedDescriptions result =
      ApplyDescriptions(files, {{100, Naming(1, 1, 1, "first")}, {7, Naming(0, 0, 0, "seven")}});
  EXPECT_EQ(result.applied, 2);
  EXPECT_EQ(result.unmatched, 0);
  EXPECT_EQ(result.changedLines, (std::vector<std::size_t>{2, 4}));
  EXPECT_EQ(files[2].naming, Naming(1, 1, 1, "first"));
  EXPECT_EQ(files[5].naming, ResourceNaming{});
  EXPECT_EQ(files[4].naming.description, "seven");
  EXPECT_EQ(files[2].offset, 100); // only the naming changes
}

TEST(ApplyDescriptions, IdZeroNamesTheFirstHeading) {
  std::vector<DRSFileInfo> files = SmallList();
  const AppliedDescriptions result = ApplyDescriptions(files, {{0, Naming(2, 0, 0, "table")}});
  EXPECT_EQ(result.changedLines, (std::vector<std::size_t>{0}));
  EXPECT_EQ(files[0].naming, Naming(2, 0, 0, "table"));
  EXPECT_EQ(files[3].naming, ResourceNaming{});
}

TEST(ApplyDescriptions, ALaterRecordForTheSameIdWins) {
  std::vector<DRSFileInfo> files = SmallList();
  files[1].naming = Naming(3, 3, 3, "before");
  const AppliedDescriptions result = ApplyDescriptions(
      files, {{50500, Naming(1, 0, 0, "old")}, {50500, Naming(0, 2, 0, "")}, {404, {}}});
  EXPECT_EQ(result.applied, 2);
  EXPECT_EQ(result.unmatched, 1);
  EXPECT_EQ(result.changedLines, (std::vector<std::size_t>{1}));
  EXPECT_EQ(files[1].naming, Naming(0, 2, 0, "")); // the whole naming is replaced
}

TEST(DescriptionStatus, CountsAppliedUnmatchedAndSkipped) {
  EXPECT_EQ(DescriptionLoadStatus({3, 0, {}}, 1), "Descriptions loaded: 3 applied, 1 skipped");
  EXPECT_EQ(DescriptionLoadStatus({0, 2, {}}, 0),
            "Descriptions loaded: 0 applied, 2 not in this archive, 0 skipped");
}

TEST(DescriptionFile, WritesNamedEntriesWithCrLf) {
  test::TempDir dir;
  std::vector<DRSFileInfo> files = SmallList();
  files[0].naming = Naming(1, 0, 0, "");
  files[1].naming = Naming(1, 2, 5, " Trooper walking ");
  files[4].naming = Naming(0, 0, 6, "");
  const std::string path = dir.file("names.dsc");
  WriteDescriptionFile(path, files);
  EXPECT_EQ(ReadText(path), "0@1@0@0@\r\n50500@1@2@5@Trooper walking\r\n7@0@0@6@\r\n");
  EXPECT_EQ(files[1].naming.description, " Trooper walking "); // trimmed in the file only
}

TEST(DescriptionFile, ReplacesAnExistingFileAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  const std::string path = dir.file("names.dsc");
  test::WriteText(path, "old content that is longer than the new one\r\n");
  WriteDescriptionFile(path, {Entry(1, Naming(0, 0, 0, "new"))});
  EXPECT_EQ(ReadText(path), "1@0@0@0@new\r\n");
  WriteDescriptionFile(path, {Entry(1)});
  EXPECT_EQ(ReadText(path), "");
  int count = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.path()))
    ++count;
  EXPECT_EQ(count, 1);
}

TEST(DescriptionFile, ReportsATargetThatCannotBeWritten) {
  test::TempDir dir;
  const std::string missingFolder = dir.file("no-such-folder") + "/names.dsc";
  try {
    WriteDescriptionFile(missingFolder, {Entry(1, Naming(0, 0, 0, "x"))});
    FAIL() << "no error";
  } catch (const Error &e) {
    EXPECT_EQ(e.message(), "Error saving description file \"" + missingFolder + "\"!");
    EXPECT_FALSE(e.detail().empty());
  }

  // A folder in the way: the rename fails and the half-made file is removed again.
  const std::string folder = dir.file("taken.dsc");
  std::filesystem::create_directory(folder);
  test::WriteText(folder + "/inside", "kept");
  EXPECT_THROW(WriteDescriptionFile(folder, {Entry(1, Naming(0, 0, 0, "x"))}), Error);
  EXPECT_EQ(ReadText(folder + "/inside"), "kept");
  int count = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.path()))
    ++count;
  EXPECT_EQ(count, 1);
}

TEST(DescriptionFile, ReportsAFileThatCannotBeRead) {
  test::TempDir dir;
  const std::string missing = dir.file("missing.dsc");
  try {
    ReadDescriptionFile(missing);
    FAIL() << "no error";
  } catch (const Error &e) {
    EXPECT_EQ(e.message(), "Error opening description file \"" + missing + "\"!");
  }
}

TEST(DescriptionFile, SaveThenLoadRestoresTheNaming) {
  test::TempDir dir;
  std::vector<DRSFileInfo> named = SmallList();
  named[0].naming = Naming(4, 0, 0, "sprites");
  named[1].naming = Naming(1, 2, 5, "  Trooper walking ");
  named[2].naming = Naming(0, 0, 6, "");
  named[4].naming = Naming(6, 4, 9, "a@b");
  named[5].naming = Naming(2, 0, 0, "second 100"); // shadowed by the first 100 on loading
  const std::string path = dir.file("round.dsc");
  WriteDescriptionFile(path, named);

  std::vector<DRSFileInfo> fresh = SmallList();
  const ParsedDescriptions parsed = ReadDescriptionFile(path);
  EXPECT_EQ(parsed.skipped, 0);
  const AppliedDescriptions applied = ApplyDescriptions(fresh, parsed.records);
  EXPECT_EQ(applied.applied, 5);
  EXPECT_EQ(fresh[0].naming, Naming(4, 0, 0, "sprites"));
  EXPECT_EQ(fresh[1].naming, Naming(1, 2, 5, "Trooper walking"));
  EXPECT_EQ(fresh[2].naming, Naming(2, 0, 0, "second 100"));
  EXPECT_EQ(fresh[3].naming, ResourceNaming{});
  EXPECT_EQ(fresh[4].naming, Naming(6, 4, 9, "a"));
  EXPECT_EQ(fresh[5].naming, ResourceNaming{});
}

TEST(DescriptionFile, LeadingZerosAndBlanksInTheIdStillMatch) {
  test::TempDir dir;
  const std::string path = dir.file("ids.dsc");
  test::WriteText(path, "050500@1@0@0@zeros\r\n 7@0@1@0@blank\n");
  std::vector<DRSFileInfo> files = SmallList();
  const AppliedDescriptions applied = ApplyDescriptions(files, ReadDescriptionFile(path).records);
  EXPECT_EQ(applied.changedLines, (std::vector<std::size_t>{1, 4}));
  EXPECT_EQ(NamingLabel(files[1].naming), "E: zeros");
  EXPECT_EQ(NamingLabel(files[4].naming), "T1: blank");
}

} // namespace
} // namespace tessary
