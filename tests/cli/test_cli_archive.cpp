#include "cli/cli_harness.hpp"
#include "support/archive_fixture.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::ExpectFailure;
using test::ExpectWrongWords;
using test::Lines;
using test::Names;
using test::Tag;

class CliArchive : public ::testing::Test {
protected:
  std::string write(const std::string &name, const std::vector<std::uint8_t> &bytes) {
    const std::string path = dir_.file(name);
    test::WriteFile(path, bytes);
    return path;
  }
  std::string workedExample() {
    return write("example.drs", BuildArchive(test::WorkedExampleTables()));
  }

  test::TempDir dir_;
};

// ----- list -----

TEST_F(CliArchive, ListPrintsTheListLines) {
  const auto outcome = Call({"list", workedExample()});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.out, "--SLP (2)--\n100\n101\n--WAV (1)--\n200\n");
  EXPECT_EQ(outcome.err, "");
}

TEST_F(CliArchive, ListLongAddsKindOffsetAndSize) {
  const auto outcome = Call({"list", workedExample(), "--long"});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.out, "--SLP (2)--\t0\t0\t0\n"
                         "100\t1\t144\t10\n"
                         "101\t1\t154\t20\n"
                         "--WAV (1)--\t0\t0\t0\n"
                         "200\t2\t174\t30\n");
}

TEST_F(CliArchive, ListShowsEveryKindAndNegativeIdentifiers) {
  const std::string path =
      write("kinds.drs", BuildArchive({{Tag("anib"), {{-7, {1}}}},
                                       {Tag("abcd"), {{1, {}}, {2, {}}, {3, {}}}},
                                       {Tag(" PLS"), {}}}));
  const auto outcome = Call({"list", "--long", path});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(Lines(outcome.out),
            (std::vector<std::string>{"--BIN (1)--\t0\t0\t0", "-7\t3\t168\t1",
                                      "--DCB (3)--\t0\t0\t0", "1\t-1\t169\t0", "2\t-1\t169\t0",
                                      "3\t-1\t169\t0", "--SLP (0)--\t0\t0\t0"}));
}

TEST_F(CliArchive, WrongBannerNeedsForce) {
  auto bytes = BuildArchive(test::WorkedExampleTables());
  bytes[0] = 'c';
  const std::string path = write("lower.drs", bytes);
  ExpectFailure(Call({"list", path}), "Error reading from DRS file!", "--force");
  const auto forced = Call({"list", path, "--force"});
  EXPECT_EQ(forced.code, 0);
  EXPECT_EQ(forced.out, "--SLP (2)--\n100\n101\n--WAV (1)--\n200\n");

  ExpectFailure(Call({"extract", path, "100", "-o", dir_.file("x")}),
                "Error reading from DRS file!", "--force");
  EXPECT_FALSE(fs::exists(dir_.file("x")));
  EXPECT_EQ(Call({"extract", path, "100", "-o", dir_.file("x"), "--force"}).code, 0);
}

TEST_F(CliArchive, UnreadableArchivesFailWithTheReadMessage) {
  const auto whole = BuildArchive(test::WorkedExampleTables());
  auto badCount = whole;
  StoreI32(badCount.data() + test::kTableCountAt, 40000);
  struct Case {
    const char *name;
    std::string path;
    const char *detail;
  };
  const Case cases[] = {
      {"missing", dir_.file("missing.drs"), "missing.drs"},
      {"truncated", write("short.drs", {whole.begin(), whole.begin() + 100}), "past the end"},
      {"too many tables", write("count.drs", badCount), "table count 40000"},
      {"a folder", dir_.path().string(), ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ExpectFailure(Call({"list", c.path}), "Error reading from DRS file!", c.detail);
  }
}

// ----- extract -----

TEST_F(CliArchive, ExtractWritesTheResourceBytes) {
  const std::string archive = workedExample();
  const auto outcome = Call({"extract", archive, "101", "-o", dir_.file("101.slp")});
  EXPECT_EQ(outcome.code, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(test::ReadFile(dir_.file("101.slp")), test::Pattern(20, 2));
}

TEST_F(CliArchive, ExtractTakesTheFirstEntryOfAnIdentifierAndNegativeOnes) {
  const std::string archive = write(
      "dup.drs",
      BuildArchive({{Tag(" vaw"), {{-7, {7}}}}, {Tag(" pls"), {{5, {1}}, {5, {2}}, {-7, {8}}}}}));
  EXPECT_EQ(Call({"extract", archive, "5", "-o", dir_.file("a")}).code, 0);
  EXPECT_EQ(test::ReadFile(dir_.file("a")), std::vector<std::uint8_t>{1});
  EXPECT_EQ(Call({"extract", archive, "-7", "-o", dir_.file("b")}).code, 0);
  EXPECT_EQ(test::ReadFile(dir_.file("b")), std::vector<std::uint8_t>{7});
  EXPECT_EQ(Call({"extract", "-o", dir_.file("c"), archive, "--", "-7"}).code, 0);
  EXPECT_EQ(test::ReadFile(dir_.file("c")), std::vector<std::uint8_t>{7});
}

TEST_F(CliArchive, IdentifiersTheArchiveDoesNotHoldAreWrongWords) {
  const std::string archive = workedExample();
  struct Case {
    const char *id;
    const char *message;
  };
  const Case cases[] = {
      {"0", "no resource with identifier 0"}, // headings are not entries
      {"102", "no resource with identifier 102"},
      {"abc", "decimal"},
      {"10x", "decimal"},
      {"", "decimal"},
      {"99999999999", "decimal"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.id);
    ExpectWrongWords(Call({"extract", archive, c.id, "-o", dir_.file("x")}), c.message);
    EXPECT_FALSE(fs::exists(dir_.file("x")));
  }
}

TEST_F(CliArchive, FailedExtractLeavesNoFile) {
  auto bytes = BuildArchive(test::WorkedExampleTables());
  StoreI32(bytes.data() + 108 + 12 + 8, 5000); // 101 now runs past the end
  const std::string archive = write("bad.drs", bytes);
  ExpectFailure(Call({"extract", archive, "101", "-o", dir_.file("out")}), "Error saving file!",
                "past the end");
  EXPECT_EQ(Names(dir_.path()), std::vector<std::string>{"bad.drs"});
}

TEST_F(CliArchive, ExtractOntoTheArchiveIsRefused) {
  const std::string archive = workedExample();
  const auto before = test::ReadFile(archive);
  ExpectFailure(Call({"extract", archive, "100", "-o", archive}), "Error saving file!",
                "the open archive itself");
  EXPECT_EQ(test::ReadFile(archive), before);
}

// ----- extract-all -----

TEST_F(CliArchive, ExtractAllNamesFilesByIdentifierAndKind) {
  const std::string archive =
      write("all.drs", BuildArchive({{Tag(" pls"), {{5, {1}}, {5, {2}}, {-3, {3}}, {5, {4}}}},
                                     {Tag(" vaw"), {{5, {5}}}},
                                     {Tag("anib"), {{9, {6}}}},
                                     {Tag("abcd"), {{7, {7}}, {7, {8}}}}}));
  const std::string out = dir_.file("out/nested");
  const auto outcome = Call({"extract-all", archive, "-o", out});
  EXPECT_EQ(outcome.code, 0) << outcome.err;
  const std::map<std::string, std::uint8_t> expected = {
      {"5.slp", 1}, {"5-2.slp", 2}, {"-3.slp", 3}, {"5-3.slp", 4},
      {"5.wav", 5}, {"9.bin", 6},   {"7", 7},      {"7-2", 8}};
  std::vector<std::string> names;
  for (const auto &[name, byte] : expected) {
    names.push_back(name);
    EXPECT_EQ(test::ReadFile(out + "/" + name), std::vector<std::uint8_t>{byte}) << name;
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(Names(out), names);
}

TEST_F(CliArchive, FailedExtractAllLeavesNothingBehind) {
  auto bytes = BuildArchive(test::WorkedExampleTables());
  StoreI32(bytes.data() + 132 + 8, 5000); // the last entry, 200, runs past the end
  const std::string archive = write("bad.drs", bytes);

  // A folder it had to create is gone again.
  ExpectFailure(Call({"extract-all", archive, "-o", dir_.file("new/deeper")}), "Error saving file!",
                "past the end");
  EXPECT_FALSE(fs::exists(dir_.file("new")));

  // An existing folder keeps exactly what it had.
  fs::create_directory(dir_.file("old"));
  test::WriteText(dir_.file("old/100.slp"), "previous");
  ExpectFailure(Call({"extract-all", archive, "-o", dir_.file("old")}), "Error saving file!",
                "past the end");
  EXPECT_EQ(Names(dir_.file("old")), std::vector<std::string>{"100.slp"});
  EXPECT_EQ(test::ReadFile(dir_.file("old/100.slp")).size(), 8u);
}

TEST_F(CliArchive, ExtractAllNeverWritesOverTheArchive) {
  const std::string folder = dir_.file("f");
  fs::create_directory(folder);
  const auto bytes = BuildArchive({{Tag(" pls"), {{100, {1, 2, 3}}}}});
  test::WriteFile(folder + "/100.slp", bytes);
  ExpectFailure(Call({"extract-all", folder + "/100.slp", "-o", folder}), "Error saving file!",
                "the open archive itself");
  EXPECT_EQ(test::ReadFile(folder + "/100.slp"), bytes);
  EXPECT_EQ(Names(folder), std::vector<std::string>{"100.slp"});
}

TEST_F(CliArchive, ExtractAllIntoAFileFails) {
  const std::string archive = workedExample();
  test::WriteText(dir_.file("plain"), "x");
  ExpectFailure(Call({"extract-all", archive, "-o", dir_.file("plain")}), "Error saving file!",
                "plain");
}

// ----- pack -----

TEST_F(CliArchive, PackThenExtractAllGivesTheFolderBack) {
  const std::string source = dir_.file("src");
  fs::create_directory(source);
  const std::map<std::string, std::vector<std::uint8_t>> files = {
      {"1.slp", test::Pattern(3000, 1)},
      {"-2.slp", test::Pattern(1, 2)},
      {"40.wav", test::Pattern(1024, 3)},
      {"3.bin", {}}};
  for (const auto &[name, bytes] : files)
    test::WriteFile(source + "/" + name, bytes);

  const std::string archive = dir_.file("packed.drs");
  const auto packed = Call({"pack", source, "-o", archive});
  EXPECT_EQ(packed.code, 0) << packed.err;
  EXPECT_EQ(Call({"list", archive}).out, "--SLP (2)--\n-2\n1\n--WAV (1)--\n40\n--BIN (1)--\n3\n");
  EXPECT_EQ(Call({"extract-all", archive, "-o", dir_.file("back")}).code, 0);
  EXPECT_EQ(Names(dir_.file("back")), Names(source));
  for (const auto &[name, bytes] : files)
    EXPECT_EQ(test::ReadFile(dir_.file("back/" + name)), bytes) << name;
}

TEST_F(CliArchive, PackWritesTheOlderGamesHeaderOnRequest) {
  const std::string source = dir_.file("src");
  fs::create_directory(source);
  test::WriteFile(source + "/1.slp", test::Pattern(30, 1));
  test::WriteFile(source + "/2.bin", test::Pattern(5, 2));
  for (const char *banner : {"", "swgb", "aoe"}) {
    SCOPED_TRACE(banner);
    const std::string archive = dir_.file(std::string("packed-") + banner + ".drs");
    std::vector<std::string> args{"pack", source, "-o", archive};
    if (*banner)
      args.insert(args.end(), {"--banner", banner});
    const auto packed = Call(args);
    EXPECT_EQ(packed.code, 0) << packed.err;
    const auto bytes = test::ReadFile(archive);
    const std::string start(bytes.begin(), bytes.begin() + 28);
    EXPECT_EQ(start, std::string(banner) == "aoe" ? "Copyright (c) 1997 Ensemble " : kBanner);
    // Listed and extracted with neither a question nor --force.
    EXPECT_EQ(Call({"list", archive}).out, "--SLP (1)--\n1\n--BIN (1)--\n2\n");
    const std::string copy = dir_.file("copy");
    EXPECT_EQ(Call({"extract", archive, "1", "-o", copy}).code, 0);
    EXPECT_EQ(test::ReadFile(copy), test::Pattern(30, 1));
  }
  EXPECT_EQ(test::ReadFile(dir_.file("packed-.drs")), test::ReadFile(dir_.file("packed-swgb.drs")));
}

TEST_F(CliArchive, PackRefusesStrangeFilesAndWritesNothing) {
  const std::string source = dir_.file("src");
  fs::create_directory(source);
  test::WriteText(source + "/1.slp", "x");
  test::WriteText(source + "/notes.txt", "x");
  ExpectFailure(Call({"pack", source, "-o", dir_.file("a.drs")}), "Error saving file!",
                "notes.txt");
  EXPECT_FALSE(fs::exists(dir_.file("a.drs")));
}

// ----- words -----

TEST_F(CliArchive, WrongWordsExitWithTwo) {
  const std::string archive = workedExample();
  struct Case {
    const char *name;
    std::vector<std::string> args;
    const char *message;
  };
  const Case cases[] = {
      {"no command", {}, "subcommand"},
      {"unknown command", {"frobnicate", archive}, "unknown command \"frobnicate\""},
      {"list without archive", {"list"}, "ARCHIVE"},
      {"extract without output", {"extract", archive, "100"}, "--output"},
      {"extract without identifier", {"extract", archive, "-o", "x"}, "ID"},
      {"extract-all without output", {"extract-all", archive}, "--output"},
      {"pack without output", {"pack", dir_.path().string()}, "--output"},
      {"pack with another banner",
       {"pack", dir_.path().string(), "-o", dir_.file("b.drs"), "--banner", "aoc"},
       "--banner"},
      {"unknown option", {"list", archive, "--longer"}, "--longer"},
      {"extra word", {"list", archive, "more"}, "more"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const auto outcome = Call(c.args);
    ExpectWrongWords(outcome, c.message);
    EXPECT_EQ(outcome.out, "");
  }
}

TEST(Cli, VersionAndHelp) {
  const auto version = Call({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "tessary-cli 0.5b\n");

  const auto help = Call({"--help"});
  EXPECT_EQ(help.code, 0);
  for (const char *call : {"list", "extract", "extract-all", "pack"})
    EXPECT_NE(help.out.find(call), std::string::npos) << call;

  const auto extractAllHelp = Call({"extract-all", "--help"});
  EXPECT_EQ(extractAllHelp.code, 0);
  EXPECT_NE(extractAllHelp.out.find("ID-2.slp"), std::string::npos);
}

} // namespace
} // namespace tessary
