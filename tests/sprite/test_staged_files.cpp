#include "common/error.hpp"
#include "sprite/staged_files.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace tessary {
namespace {

namespace fs = std::filesystem;

std::set<std::string> FilesIn(const fs::path &dir) {
  std::set<std::string> names;
  for (const auto &e : fs::directory_iterator(dir))
    names.insert(e.path().filename().string());
  return names;
}

TEST(StagedFiles, CommitMovesEveryFileIntoPlace) {
  test::TempDir dir;
  test::WriteText(dir.file("a.txt"), "old");
  {
    StagedFiles files;
    const std::string a = files.Stage(dir.file("a.txt"));
    const std::string b = files.Stage(dir.file("b.txt"));
    EXPECT_NE(a, b);
    EXPECT_EQ(fs::path(a).parent_path(), dir.path());
    WriteTextFile(a, "new a", dir.file("a.txt"));
    WriteTextFile(b, "new b", dir.file("b.txt"));
    EXPECT_EQ(test::ReadFile(dir.file("a.txt")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    files.Commit();
  }
  EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"a.txt", "b.txt"}));
  const auto a = test::ReadFile(dir.file("a.txt"));
  EXPECT_EQ(std::string(a.begin(), a.end()), "new a");
}

TEST(StagedFiles, UncommittedFilesAreRemoved) {
  test::TempDir dir;
  {
    StagedFiles files;
    WriteTextFile(files.Stage(dir.file("a.txt")), "x", dir.file("a.txt"));
    files.Stage(dir.file("b.txt"));
    EXPECT_EQ(FilesIn(dir.path()).size(), 2u);
  }
  EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST(StagedFiles, FolderInTheWayFailsBeforeAnythingMoves) {
  test::TempDir dir;
  fs::create_directory(dir.file("b.txt"));
  {
    StagedFiles files;
    WriteTextFile(files.Stage(dir.file("a.txt")), "x", dir.file("a.txt"));
    WriteTextFile(files.Stage(dir.file("b.txt")), "y", dir.file("b.txt"));
    test::ExpectError([&] { files.Commit(); }, "Error saving file!", "b.txt");
  }
  EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"b.txt"});
}

TEST(StagedFiles, MissingFolderIsASaveError) {
  test::TempDir dir;
  StagedFiles files;
  test::ExpectError([&] { files.Stage(dir.file("none/a.txt")); }, "Error saving file!",
                    "none/a.txt");
}

} // namespace
} // namespace tessary
