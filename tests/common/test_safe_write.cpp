#include "common/paths.hpp"
#include "common/safe_write.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr char kMessage[] = "Error saving file!";
constexpr ErrorKind kKind = ErrorKind::Save;
constexpr uid_t kNobody = 65534;

const Bytes kNew = {'n', 'e', 'w', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'};

Bytes Text(const std::string &text) { return Bytes(text.begin(), text.end()); }

struct stat Lstat(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

mode_t Umask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Entries of a folder whose names our temporary files would have.
std::vector<std::string> Leftovers(const fs::path &folder) {
  std::vector<std::string> names;
  for (const auto &item : fs::directory_iterator(folder))
    if (item.path().filename().string().starts_with(".tessary"))
      names.push_back(item.path().filename().string());
  return names;
}

// The error a write raised, or nothing when it went through. With withoutRights it runs in a
// child process that has given up the superuser's rights (as nobody), so that permissions
// apply even when the tests run as root.
std::optional<std::string> Attempt(const std::function<void()> &write, bool withoutRights) {
  if (!withoutRights || ::geteuid() != 0) {
    try {
      write();
      return std::nullopt;
    } catch (const Error &e) {
      EXPECT_EQ(e.message(), kMessage);
      return e.detail();
    }
  }
  int pipe[2];
  if (::pipe(pipe) != 0)
    throw std::runtime_error("pipe");
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
      ::_exit(3);
    try {
      write();
      ::_exit(0);
    } catch (const Error &e) {
      const std::string detail = e.detail();
      (void)!::write(pipe[1], detail.data(), detail.size());
      ::_exit(1);
    }
    ::_exit(2);
  }
  ::close(pipe[1]);
  std::string detail;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
    detail.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << "child status " << status;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
    return std::nullopt;
  return detail;
}

// Hands the folder (and what it holds) to nobody, for the cases run without rights.
void GiveToNobody(const fs::path &folder) {
  if (::geteuid() != 0)
    return;
  (void)::chown(folder.c_str(), kNobody, kNobody);
  for (const auto &item : fs::recursive_directory_iterator(folder))
    (void)::lchown(item.path().c_str(), kNobody, kNobody);
}

struct TargetCase {
  const char *name;
  // Prepares the folder and answers the target to write, or "" to skip the case.
  std::function<std::string(const fs::path &)> setUp;
  bool withoutRights;
  const char *refusal; // part of the error detail, or nullptr when the write must succeed
  std::function<void(const fs::path &, const std::string &)> check;
};

// Writes kNew into each kind of target and checks what became of it.
TEST(SafeWrite, EveryKindOfTargetFollowsTheOneRule) {
  const TargetCase cases[] = {
      {"new file gets 0666 less the umask",
       [](const fs::path &d) { return (d / "new.bin").string(); }, false, nullptr,
       [](const fs::path &, const std::string &t) {
         EXPECT_EQ(test::ReadFile(t), kNew);
         EXPECT_EQ(Lstat(t).st_mode & 07777, 0666 & ~Umask());
       }},
      {"existing 0600 file is replaced and keeps 0600",
       [](const fs::path &d) {
         test::WriteText((d / "private.bin").string(), "old and longer than the new content");
         ::chmod((d / "private.bin").c_str(), 0600);
         return (d / "private.bin").string();
       },
       false, nullptr,
       [](const fs::path &, const std::string &t) {
         EXPECT_EQ(test::ReadFile(t), kNew);
         EXPECT_EQ(Lstat(t).st_mode & 07777, 0600u);
       }},
      {"link to a file writes the file, the link stays",
       [](const fs::path &d) {
         test::WriteText((d / "real.bin").string(), "old");
         fs::create_symlink("real.bin", d / "link.bin");
         return (d / "link.bin").string();
       },
       false, nullptr,
       [](const fs::path &d, const std::string &t) {
         EXPECT_TRUE(fs::is_symlink(t));
         EXPECT_EQ(test::ReadFile((d / "real.bin").string()), kNew);
       }},
      {"link through a link to a file in another folder",
       [](const fs::path &d) {
         fs::create_directory(d / "elsewhere");
         test::WriteText((d / "elsewhere/real.bin").string(), "old");
         fs::create_symlink("elsewhere/real.bin", d / "one");
         fs::create_symlink(d / "one", d / "two");
         return (d / "two").string();
       },
       false, nullptr,
       [](const fs::path &d, const std::string &) {
         EXPECT_TRUE(fs::is_symlink(d / "one"));
         EXPECT_EQ(test::ReadFile((d / "elsewhere/real.bin").string()), kNew);
         EXPECT_TRUE(Leftovers(d / "elsewhere").empty());
       }},
      {"dangling link creates its target",
       [](const fs::path &d) {
         fs::create_symlink("made.bin", d / "dangling.bin");
         return (d / "dangling.bin").string();
       },
       false, nullptr,
       [](const fs::path &d, const std::string &t) {
         EXPECT_TRUE(fs::is_symlink(t));
         EXPECT_EQ(test::ReadFile((d / "made.bin").string()), kNew);
       }},
      {"255-byte name", [](const fs::path &d) { return (d / std::string(255, 'n')).string(); },
       false, nullptr,
       [](const fs::path &, const std::string &t) { EXPECT_EQ(test::ReadFile(t), kNew); }},
      {"folder is refused",
       [](const fs::path &d) {
         fs::create_directory(d / "folder");
         return (d / "folder").string();
       },
       false, "folder: Is a directory",
       [](const fs::path &, const std::string &t) { EXPECT_TRUE(fs::is_directory(t)); }},
      {"missing folder is refused", [](const fs::path &d) { return (d / "none/out.bin").string(); },
       false, "none/out.bin: No such file or directory",
       [](const fs::path &d, const std::string &) { EXPECT_FALSE(fs::exists(d / "none")); }},
      {"writable file in a read-only folder is written in place",
       [](const fs::path &d) {
         fs::create_directory(d / "shut");
         test::WriteText((d / "shut/open.bin").string(), "old content, longer than the new");
         ::chmod((d / "shut/open.bin").c_str(), 0640);
         GiveToNobody(d);
         ::chmod((d / "shut").c_str(), 0555);
         return (d / "shut/open.bin").string();
       },
       true, nullptr,
       [](const fs::path &d, const std::string &t) {
         EXPECT_EQ(test::ReadFile(t), kNew);
         EXPECT_EQ(Lstat(t).st_mode & 07777, 0640u);
         EXPECT_TRUE(Leftovers(d / "shut").empty());
       }},
      {"another user's file in a sticky folder is written in place",
       [](const fs::path &d) -> std::string {
         if (::geteuid() != 0)
           return ""; // needs a second user
         fs::create_directory(d / "shared");
         ::chmod((d / "shared").c_str(), 01777);
         test::WriteText((d / "shared/theirs.bin").string(), "old");
         ::chmod((d / "shared/theirs.bin").c_str(), 0666);
         return (d / "shared/theirs.bin").string();
       },
       true, nullptr,
       [](const fs::path &d, const std::string &t) {
         EXPECT_EQ(test::ReadFile(t), kNew);
         EXPECT_EQ(Lstat(t).st_uid, 0u);
         EXPECT_TRUE(Leftovers(d / "shared").empty());
       }},
      {"nothing writable is refused",
       [](const fs::path &d) {
         fs::create_directory(d / "locked");
         test::WriteText((d / "locked/file.bin").string(), "old");
         ::chmod((d / "locked/file.bin").c_str(), 0444);
         GiveToNobody(d);
         ::chmod((d / "locked").c_str(), 0555);
         return (d / "locked/file.bin").string();
       },
       true, "file.bin: Permission denied",
       [](const fs::path &, const std::string &t) { EXPECT_EQ(test::ReadFile(t), Text("old")); }},
      {"read-only file in a writable folder is left as it is",
       [](const fs::path &d) {
         test::WriteText((d / "readonly.bin").string(), "old");
         ::chmod((d / "readonly.bin").c_str(), 0444);
         GiveToNobody(d);
         return (d / "readonly.bin").string();
       },
       true, "readonly.bin: Permission denied",
       [](const fs::path &, const std::string &t) { EXPECT_EQ(test::ReadFile(t), Text("old")); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string target = c.setUp(dir.path());
    if (target.empty())
      continue;
    const auto failure =
        Attempt([&] { WriteFileSafely(PathOf(target), kNew, kKind); }, c.withoutRights);
    if (c.refusal) {
      ASSERT_TRUE(failure.has_value());
      EXPECT_NE(failure->find(c.refusal), std::string::npos) << *failure;
      EXPECT_EQ(failure->find(".tessary"), std::string::npos) << *failure;
    } else {
      EXPECT_FALSE(failure.has_value()) << *failure;
    }
    c.check(dir.path(), target);
    std::error_code ec;
    fs::permissions(dir.path(), fs::perms::all, ec);
    for (const auto &item : fs::recursive_directory_iterator(dir.path(), ec))
      if (item.is_directory() && !item.is_symlink())
        ::chmod(item.path().c_str(), 0755);
    EXPECT_TRUE(Leftovers(dir.path()).empty());
  }
}

TEST(SafeWrite, ExistingFileIsReplacedByANewFileKeepingItsOwner) {
  test::TempDir dir;
  const std::string target = dir.file("owned.bin");
  test::WriteText(target, "old");
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
  }
  const struct stat before = Lstat(target);
  WriteFileSafely(PathOf(target), kNew, kKind);
  const struct stat after = Lstat(target);
  EXPECT_NE(before.st_ino, after.st_ino) << "a reader of the old file must never see it change";
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
}

// A FIFO or a device is written into as it is: it must still be there, of its kind, afterwards.
TEST(SafeWrite, FifoIsWrittenIntoNotReplaced) {
  test::TempDir dir;
  const std::string fifo = dir.file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  Bytes received;
  std::thread reader([&] { received = test::ReadFile(fifo); });
  WriteFileSafely(PathOf(fifo), kNew, kKind);
  reader.join();
  EXPECT_EQ(received, kNew);
  EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));
  EXPECT_TRUE(Leftovers(dir.path()).empty());
}

TEST(SafeWrite, CharacterDeviceIsWrittenIntoNotReplaced) {
  test::TempDir dir;
  const std::string device = dir.file("null-device");
  if (::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
    GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
  const std::string link = dir.file("to-device");
  fs::create_symlink(device, link);
  WriteFileSafely(PathOf(link), kNew, kKind);
  WriteFileSafely(PathOf(device), kNew, kKind);
  EXPECT_TRUE(S_ISCHR(Lstat(device).st_mode));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(Leftovers(dir.path()).empty());
}

// ----- sets of files -----

class FileSetTest : public ::testing::Test {
protected:
  std::string file(const std::string &name) const { return dir_.file(name); }
  test::TempDir dir_;
};

TEST_F(FileSetTest, FilesAppearOnlyOnCommitAndTogether) {
  test::WriteText(file("b.txt"), "old b");
  {
    FileSet files({kKind, 0, {}}, true);
    files.Add(PathOf(file("a.txt")));
    files.Write("new a");
    files.Add(PathOf(file("b.txt")));
    files.Write("new b");
    EXPECT_FALSE(fs::exists(file("a.txt")));
    EXPECT_EQ(test::ReadFile(file("b.txt")), Text("old b"));
    files.Commit();
  }
  EXPECT_EQ(test::ReadFile(file("a.txt")), Text("new a"));
  EXPECT_EQ(test::ReadFile(file("b.txt")), Text("new b"));
  EXPECT_TRUE(Leftovers(dir_.path()).empty());
}

TEST_F(FileSetTest, UncommittedSetLeavesEverythingAsItWas) {
  test::WriteText(file("b.txt"), "old b");
  {
    FileSet files({kKind, 0, {}});
    files.Add(PathOf(file("a.txt")));
    files.Write("new a");
    files.Add(PathOf(file("b.txt")));
    files.Write("new b");
  }
  EXPECT_FALSE(fs::exists(file("a.txt")));
  EXPECT_EQ(test::ReadFile(file("b.txt")), Text("old b"));
  EXPECT_TRUE(Leftovers(dir_.path()).empty());
}

// A target that cannot be written is found when it is added, before anything is replaced.
TEST_F(FileSetTest, TargetRefusedOnAddKeepsTheEarlierFiles) {
  test::WriteText(file("a.txt"), "old a");
  fs::create_directories(file("b.txt/inside"));
  FileSet files({kKind, 17, "source"});
  files.Add(PathOf(file("a.txt")));
  files.Write("new a");
  const auto e = test::ExpectError([&] { files.Add(PathOf(file("b.txt"))); }, kMessage,
                                   file("b.txt") + ": Is a directory");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), 17);
  EXPECT_EQ(e->source(), "source");
  EXPECT_EQ(test::ReadFile(file("a.txt")), Text("old a"));
}

// Something that only goes wrong while the files move: those already moved get their old
// content back, the new ones go again, and the message says what stopped the set.
TEST_F(FileSetTest, FailureWhileMovingPutsBackTheFilesAlreadyReplaced) {
  test::WriteText(file("a.txt"), "old a");
  ::chmod(file("a.txt").c_str(), 0640);
  test::WriteText(file("c.txt"), "old c");
  const auto inodeOfA = Lstat(file("a.txt")).st_ino;
  {
    FileSet files({kKind, 0, {}});
    for (const char *name : {"a.txt", "new.txt", "b.txt", "c.txt"}) {
      files.Add(PathOf(file(name)));
      files.Write(std::string("new ") + name);
    }
    // Someone makes a folder of that name after the check.
    fs::create_directories(file("b.txt/inside"));
    test::ExpectError([&] { files.Commit(); }, kMessage, file("b.txt") + ": Is a directory");
  }
  EXPECT_EQ(test::ReadFile(file("a.txt")), Text("old a"));
  EXPECT_EQ(Lstat(file("a.txt")).st_ino, inodeOfA);
  EXPECT_EQ(Lstat(file("a.txt")).st_mode & 07777, 0640u);
  EXPECT_FALSE(fs::exists(file("new.txt")));
  EXPECT_EQ(test::ReadFile(file("c.txt")), Text("old c"));
  EXPECT_TRUE(fs::is_directory(file("b.txt/inside")));
  EXPECT_TRUE(Leftovers(dir_.path()).empty());
}

// Files in a folder that may not be changed are written in place; when a later one of them
// fails, the earlier ones get their old content back.
TEST_F(FileSetTest, FilesWrittenInPlaceArePutBackWhenALaterOneFails) {
  ::chmod(dir_.path().c_str(), 0755);
  const std::string shut = file("shut");
  fs::create_directory(shut);
  for (const char *name : {"a.txt", "b.txt", "c.txt"})
    test::WriteText(shut + "/" + name, std::string("old ") + name + ", longer than the new");
  GiveToNobody(dir_.path());
  ::chmod(shut.c_str(), 0555);
  const auto write = [&](bool spoilC) {
    FileSet files({kKind, 0, {}});
    for (const char *name : {"a.txt", "b.txt", "c.txt"}) {
      files.Add(PathOf(shut + "/" + name));
      files.Write(std::string("new ") + name);
    }
    if (spoilC) // taken away after the check
      ::chmod((shut + "/c.txt").c_str(), 0444);
    files.Commit();
  };
  const auto failure = Attempt([&] { write(true); }, true);
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("c.txt: Permission denied"), std::string::npos) << *failure;
  for (const char *name : {"a.txt", "b.txt", "c.txt"})
    EXPECT_EQ(test::ReadFile(shut + "/" + name),
              Text(std::string("old ") + name + ", longer than the new"))
        << name;
  ::chmod((shut + "/c.txt").c_str(), 0644);
  EXPECT_FALSE(Attempt([&] { write(false); }, true).has_value());
  for (const char *name : {"a.txt", "b.txt", "c.txt"})
    EXPECT_EQ(test::ReadFile(shut + "/" + name), Text(std::string("new ") + name)) << name;
  ::chmod(shut.c_str(), 0755);
  EXPECT_TRUE(Leftovers(shut).empty());
}

TEST_F(FileSetTest, CheckingTargetsChangesNothing) {
  test::WriteText(file("a.txt"), "old a");
  fs::create_directory(file("folder"));
  EXPECT_NO_THROW(CheckWritableTargets({file("a.txt"), file("new.txt")}, kKind));
  test::ExpectError(
      [&] {
        CheckWritableTargets({file("a.txt"), file("folder"), file("x/y")}, kKind);
      },
      kMessage, file("folder") + ": Is a directory");
  EXPECT_EQ(test::ReadFile(file("a.txt")), Text("old a"));
  EXPECT_FALSE(fs::exists(file("new.txt")));
  EXPECT_TRUE(Leftovers(dir_.path()).empty());
}

} // namespace
} // namespace tessary
