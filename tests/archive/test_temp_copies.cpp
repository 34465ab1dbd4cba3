#include "archive/temp_copies.hpp"

#include "common/error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;

std::string PrivateFolder(const test::TempDir &temp) {
  const std::string folder = temp.file("work");
  fs::create_directory(folder);
  fs::permissions(folder, fs::perms(0700));
  return folder + "/";
}

// The id of a process that has certainly ended: a child that exits at once, reaped.
long EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0)
    ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

std::set<std::string> Names(const std::string &folder) {
  std::set<std::string> names;
  for (const auto &item : fs::directory_iterator(folder))
    names.insert(item.path().filename().string());
  return names;
}

TEST(TempResourceName, CarriesTimeProcessWindowAndSequence) {
  const long at123456_78 = ((12L * 60 + 34) * 60 + 56) * 100 + 78;
  EXPECT_EQ(TempResourceName("/tmp/tessary/", at123456_78, {4321, 2}, 7),
            "/tmp/tessary/_drs4529678_4321_2_7.drx");
  EXPECT_EQ(TempResourceName("/w/", 0, {1, 0}, 0), "/w/_drs0_1_0_0.drx");
  EXPECT_EQ(TempResourceName("/w/", 8639999, {99999, 3}, 12), "/w/_drs8639999_99999_3_12.drx");
}

TEST(TempResourceOwner, ReadsTheOwnerBackOrNothing) {
  struct Case {
    const char *name;
    std::optional<CopyOwner> owner;
  };
  const Case cases[] = {
      {"_drs4529678_4321_2_7.drx", CopyOwner{4321, 2}},
      {"_drs0_1_0_0.drx", CopyOwner{1, 0}},
      {"_drs4529678.drx", std::nullopt}, // an older version's copy
      {"_drs1_2_3.drx", std::nullopt},
      {"_drs1_2_3_4_5.drx", std::nullopt},
      {"_drs1_x_3_4.drx", std::nullopt},
      {"_drs1_-5_3_4.drx", std::nullopt},
      {"_drs1_0_3_4.drx", std::nullopt}, // no process has id 0
      {"_drs1__3_4.drx", std::nullopt},
      {"_drs1_2_3_4.drx.bak", std::nullopt},
      {"x_drs1_2_3_4.drx", std::nullopt},
  };
  for (const auto &c : cases)
    EXPECT_EQ(TempResourceOwner(c.name), c.owner) << c.name;
}

TEST(TempCopies, ClaimsDistinctNamesEvenAtTheSameHundredth) {
  test::TempDir temp;
  const std::string folder = PrivateFolder(temp);
  TempCopies first(folder, ThisProcessOwner(1));
  TempCopies second(folder, ThisProcessOwner(2));
  std::set<std::string> claimed;
  for (int i = 0; i < 3; ++i) {
    claimed.insert(first.claim(500));
    claimed.insert(second.claim(500));
  }
  EXPECT_EQ(claimed.size(), 6u);
  for (const auto &path : claimed) {
    EXPECT_TRUE(fs::is_regular_file(path)) << path; // claimed by being made
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_TRUE(IsTempResourceName(fs::path(path).filename().string()));
  }
}

TEST(TempCopies, ClaimSkipsANameThatIsTaken) {
  test::TempDir temp;
  const std::string folder = PrivateFolder(temp);
  const CopyOwner owner = ThisProcessOwner(1);
  // Left by an earlier process of the same id: kept, and not handed out again.
  test::WriteText(TempResourceName(folder, 42, owner, 0), "someone's");
  fs::create_symlink(temp.file("elsewhere"), TempResourceName(folder, 42, owner, 1));
  TempCopies copies(folder, owner);
  EXPECT_EQ(copies.claim(42), TempResourceName(folder, 42, owner, 2));
  EXPECT_EQ(test::ReadFile(TempResourceName(folder, 42, owner, 0)).size(), 9u);
  EXPECT_FALSE(fs::exists(temp.file("elsewhere"))); // nothing written through the link
}

TEST(TempCopies, NothingIsWrittenWithoutAPrivateFolder) {
  test::TempDir temp;
  const std::string open = temp.file("open");
  fs::create_directory(open);
  fs::permissions(open, fs::perms(0777));
  const std::string linked = temp.file("linked");
  fs::create_directory_symlink(PrivateFolder(temp), linked);
  struct Case {
    const char *name;
    std::string folder;
    std::string unavailable;
    std::string detail;
  };
  const Case cases[] = {
      {"none at all", "", "no room", "there is no private working folder: no room"},
      {"open to others", open + "/", "",
       "the working folder " + open + "/ is no longer private to this user"},
      {"a link", linked + "/", "",
       "the working folder " + linked + "/ is no longer private to this user"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TempCopies copies(c.folder, ThisProcessOwner(1), c.unavailable);
    const std::function<void()> attempts[] = {[&] { copies.claim(1); },
                                              [&] { copies.pathFor("300.pal"); }};
    for (const auto &attempt : attempts) {
      try {
        attempt();
        ADD_FAILURE() << "no error";
      } catch (const Error &error) {
        EXPECT_EQ(error.message(), "Error saving file!");
        EXPECT_EQ(error.detail(), c.detail);
      }
    }
  }
  EXPECT_TRUE(Names(open).empty());
  EXPECT_TRUE(Names(temp.file("work")).empty());
}

TEST(TempCopies, EachRemovesOnlyItsOwnCopies) {
  test::TempDir temp;
  const std::string folder = PrivateFolder(temp);
  TempCopies mine(folder, ThisProcessOwner(1));
  TempCopies theirs(folder, ThisProcessOwner(2));
  TempCopies otherProcess(folder, {::getpid() + 100000L, 1});
  const std::string a = mine.claim(1), b = mine.claim(1);
  const std::string c = theirs.claim(1), d = otherProcess.claim(1);
  test::WriteText(folder + "_drs77.drx", "older version");
  test::WriteText(folder + "300.pal", "palette");
  fs::create_directory(TempResourceName(folder, 9, mine.owner(), 99)); // a folder, not a copy
  EXPECT_EQ(mine.removeOwn(), 2);
  EXPECT_FALSE(fs::exists(a));
  EXPECT_FALSE(fs::exists(b));
  for (const auto &kept : {c, d, folder + "_drs77.drx", folder + "300.pal",
                           TempResourceName(folder, 9, mine.owner(), 99)})
    EXPECT_TRUE(fs::exists(kept)) << kept;
  EXPECT_EQ(TempCopies().removeOwn(), 0); // no folder, nothing removed anywhere
}

TEST(RemoveOrphanedTempResourceFiles, TakesOnlyCopiesOfEndedProcesses) {
  test::TempDir temp;
  const std::string folder = PrivateFolder(temp);
  const long ended = EndedProcess();
  ASSERT_FALSE(ProcessRuns(ended));
  ASSERT_TRUE(ProcessRuns(::getpid()));
  const std::string orphanA = TempResourceName(folder, 1, {ended, 1}, 0);
  const std::string orphanB = TempResourceName(folder, 2, {ended, 4}, 3);
  const std::string live = TempResourceName(folder, 1, ThisProcessOwner(1), 0);
  for (const auto &path : {orphanA, orphanB, live, folder + "_drs123.drx", folder + "1.pal"})
    test::WriteText(path, "x");
  test::TempDir outside;
  test::WriteText(outside.file("target"), "kept");
  const std::string orphanLink = TempResourceName(folder, 3, {ended, 1}, 0);
  fs::create_symlink(outside.file("target"), orphanLink);

  EXPECT_EQ(RemoveOrphanedTempResourceFiles(folder), 3);
  EXPECT_EQ(Names(folder),
            (std::set<std::string>{fs::path(live).filename().string(), "_drs123.drx", "1.pal"}));
  EXPECT_EQ(test::ReadFile(outside.file("target")).size(), 4u); // only the link went
  // Asked through its own test of a process, the same rule holds.
  const std::string other = TempResourceName(folder, 1, {777, 1}, 0);
  test::WriteText(other, "x");
  EXPECT_EQ(RemoveOrphanedTempResourceFiles(folder, [](long pid) { return pid != 777; }), 1);
  EXPECT_EQ(RemoveOrphanedTempResourceFiles("/nonexistent/tessary-folder/"), 0);
  EXPECT_EQ(RemoveOrphanedTempResourceFiles(""), 0);
}

} // namespace
} // namespace tessary
