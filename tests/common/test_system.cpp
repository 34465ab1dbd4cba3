// The system seam, on whichever system the tests run: Linux here, Windows (under Wine) in the
// cross build.
#include "common/bounded_reader.hpp"
#include "common/in_flight_list.hpp"
#include "common/paths.hpp"
#include "common/safe_write.hpp"
#include "common/system.hpp"

#include "archive/temp_copies.hpp"
#include "archive/work_folder.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <sddl.h>
#endif

#include <array>
#include <filesystem>
#include <fstream>
#include <map>

namespace tessary {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::vector<std::string> NamesIn(const fs::path &folder) {
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(folder))
    names.push_back(TextOf(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

std::string Content(const fs::path &file) {
  const BoundedFile opened(file, ErrorKind::Save);
  std::string bytes(static_cast<std::size_t>(opened.size()), '\0');
  opened.readAt(0, {reinterpret_cast<std::uint8_t *>(bytes.data()), bytes.size()}, ErrorKind::Save);
  return bytes;
}

void Write(const fs::path &file, const std::string &text) {
  WriteFileSafely(file, {reinterpret_cast<const std::uint8_t *>(text.data()), text.size()},
                  ErrorKind::Save);
}

TEST(SystemFolders, PrivateFoldersAndFiles) {
  test::TempDir temp;
  const fs::path folder = temp.path() / "mine";
  std::string failure;
  ASSERT_TRUE(sys::MakePrivateFolder(folder, failure)) << failure;
  EXPECT_TRUE(sys::IsPrivateFolder(folder));
  EXPECT_FALSE(sys::MakePrivateFolder(folder, failure)) << "it exists already";
  EXPECT_FALSE(failure.empty());

  const fs::path fresh = sys::MakeFreshPrivateFolder(temp.path(), "tessary-", failure);
  ASSERT_FALSE(fresh.empty()) << failure;
  EXPECT_TRUE(TextOf(fresh.filename()).starts_with("tessary-"));
  EXPECT_EQ(TextOf(fresh.filename()).size(), std::string("tessary-").size() + 6);
  EXPECT_TRUE(sys::IsPrivateFolder(fresh));

  // Not folders at all, or not there.
  std::ofstream(folder / "plain").put('x');
  EXPECT_FALSE(sys::IsPrivateFolder(folder / "plain"));
  EXPECT_FALSE(sys::IsPrivateFolder(folder / "missing"));
  EXPECT_TRUE(sys::MakeFreshPrivateFolder(folder / "missing", "x-", failure).empty());
  EXPECT_FALSE(failure.empty());
}

#ifdef _WIN32
TEST(SystemFolders, AFolderEveryoneMayEnterIsNotPrivate) {
  test::TempDir temp;
  const fs::path folder = temp.path() / "open";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const bool made = ::CreateDirectoryW(folder.c_str(), &attributes);
  ::LocalFree(descriptor);
  ASSERT_TRUE(made);
  EXPECT_FALSE(sys::IsPrivateFolder(folder));
}
#else
TEST(SystemFolders, AFolderOthersMayEnterIsNotPrivate) {
  test::TempDir temp;
  const fs::path folder = temp.path() / "open";
  fs::create_directory(folder);
  fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  EXPECT_FALSE(sys::IsPrivateFolder(folder));
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_TRUE(sys::IsPrivateFolder(folder));
  fs::create_directory_symlink(folder, temp.path() / "link");
  EXPECT_FALSE(sys::IsPrivateFolder(temp.path() / "link"));
}
#endif

TEST(SystemFolders, WorkFolderIsTessaryUnderTemp) {
  test::TempDir temp;
  const std::string root = TextOf(temp.path());
  const std::string folder = WorkFolder([&](const std::string &name) -> std::optional<std::string> {
    if (name == "TEMP")
      return root;
    return std::nullopt;
  });
  EXPECT_EQ(folder, root + kSeparator + "tessary" + kSeparator);
  EXPECT_TRUE(IsPrivateFolder(folder));

  // The window's temporary copies are claimed there, once per name.
  TempCopies copies(folder, ThisProcessOwner(1));
  const std::string first = copies.claim(5);
  const std::string second = copies.claim(5);
  EXPECT_NE(first, second);
  EXPECT_TRUE(fs::exists(PathOf(first)));
  EXPECT_EQ(copies.removeOwn(), 2);
  EXPECT_TRUE(NamesIn(PathOf(folder)).empty());
}

TEST(SystemFiles, NewFilesAreMadeOnce) {
  test::TempDir temp;
  std::string failure;
  const fs::path file = temp.path() / "claimed";
  EXPECT_EQ(sys::CreateNewFile(file, failure), sys::NewFile::created);
  EXPECT_EQ(sys::CreateNewFile(file, failure), sys::NewFile::exists);
  EXPECT_EQ(sys::CreateNewFile(temp.path() / "missing" / "x", failure), sys::NewFile::failed);
  EXPECT_FALSE(failure.empty());
}

// Archives past 4 GiB are sized and read at their real offsets (Windows' long is 32 bits).
TEST(SystemFiles, SizesAndOffsetsPast4GiB) {
  test::TempDir temp;
  const fs::path file = temp.path() / "large.bin";
  constexpr std::uint64_t kAt = (std::uint64_t{1} << 32) + 12345;
  std::ofstream(file, std::ios::binary).put('s');
  std::error_code ec;
  fs::resize_file(file, kAt, ec); // sparse: no disk space is taken
  if (ec)
    GTEST_SKIP() << "this file system holds no 4 GiB file: " << ec.message();
  std::ofstream(file, std::ios::binary | std::ios::app) << "tail";
  {
    const BoundedFile opened(file, ErrorKind::ArchiveRead);
    EXPECT_EQ(opened.size(), kAt + 4);
    std::array<std::uint8_t, 4> bytes{};
    opened.readAt(kAt, bytes, ErrorKind::ArchiveRead);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "tail");
  } // closed first: Windows removes no file that is open
  fs::remove(file);
}

TEST(SystemProcess, NamesAndProcesses) {
  EXPECT_EQ(sys::ProgramName(), "test_common");
  EXPECT_TRUE(sys::ProcessRuns(sys::ProcessId()));
  EXPECT_FALSE(sys::ProcessRuns(0x7FFFFFF0)) << "no such process";
  EXPECT_FALSE(sys::SystemTemporaryFolder().empty());
}

// A name beyond ASCII reaches the file system as the same name, whatever the system's narrow
// code page: written, listed, read back.
TEST(SystemPaths, NonAsciiNamesOpenAndSave) {
  test::TempDir temp;
  const std::string name = "\xC3\x89"
                           "cran-\xCE\xB6-\xE6\x97\xA5\xE6\x9C\xAC.slp"; // Écran-ζ-日本
  const fs::path file = temp.path() / PathOf(name);
  EXPECT_EQ(TextOf(PathOf(name)), name);
  Write(file, "first");
  Write(file, "second"); // replaced in place of the first
  EXPECT_EQ(NamesIn(temp.path()), std::vector<std::string>{name});
  EXPECT_EQ(Content(file), "second");
  EXPECT_EQ(ReadWholeFile(file, 100, ErrorKind::Save), "second");
  EXPECT_EQ(BoundedFile(file, ErrorKind::Save).path(), TextOf(file));
}

// "new a" and "new b" into a set, for a and b.
void AddBoth(FileSet &set, const fs::path &a, const fs::path &b) {
  set.Add(a);
  set.Write(std::string("new a"));
  set.Add(b);
  set.Write(std::string("new b"));
}

// Two targets, a (holding "old a") and b (not there yet).
class SystemSafeWrite : public ::testing::Test {
protected:
  void SetUp() override { Write(a, "old a"); }
  test::TempDir temp;
  const fs::path a = temp.path() / "a.bin", b = temp.path() / "b.bin";
};

TEST_F(SystemSafeWrite, ReplacesCommitsAndDropsAsASet) {
  {
    FileSet set(FileSet::Errors{ErrorKind::Save, 0, {}});
    AddBoth(set, a, b);
    EXPECT_EQ(Content(a), "old a") << "nothing moves before Commit";
  } // dropped
  EXPECT_EQ(Content(a), "old a");
  EXPECT_EQ(NamesIn(temp.path()), std::vector<std::string>{"a.bin"}) << "no temporary is left";

  FileSet set(FileSet::Errors{ErrorKind::Save, 0, {}});
  AddBoth(set, a, b);
  set.Commit();
  EXPECT_EQ(Content(a), "new a");
  EXPECT_EQ(Content(b), "new b");
  EXPECT_EQ(NamesIn(temp.path()), (std::vector<std::string>{"a.bin", "b.bin"}));
}

// A move that fails on Commit (the second target became a folder meanwhile) puts the files already
// moved back as they were, and leaves no temporary behind.
TEST_F(SystemSafeWrite, AFailedCommitPutsTheSetBack) {
  {
    FileSet set(FileSet::Errors{ErrorKind::Save, 0, {}});
    AddBoth(set, a, b);
    fs::create_directory(b);
    fs::create_directory(b / "inside"); // not even an empty folder to replace
    EXPECT_THROW(set.Commit(), Error);
    EXPECT_EQ(Content(a), "old a");
  }
  EXPECT_TRUE(fs::is_directory(b / "inside"));
  EXPECT_EQ(NamesIn(temp.path()), (std::vector<std::string>{"a.bin", "b.bin"}));
}

TEST(SystemSafeWriteTargets, RefusesWhatIsNotAFileToWrite) {
  test::TempDir temp;
  fs::create_directory(temp.path() / "folder");
  struct Case {
    fs::path target;
    std::string cause;
  };
  const Case cases[] = {
      {temp.path() / "folder", "Is a directory"},
      {temp.path() / "missing" / "x.bin", "No such file or directory"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(TextOf(c.target));
    try {
      Write(c.target, "x");
      ADD_FAILURE() << "written";
    } catch (const Error &e) {
      EXPECT_EQ(e.detail(), TextOf(c.target) + ": " + c.cause);
    }
  }
  EXPECT_EQ(NamesIn(temp.path()), std::vector<std::string>{"folder"});
}

TEST(SystemSafeWriteTargets, ADeviceIsWrittenIntoAsItIs) {
#ifdef _WIN32
  const fs::path device = L"NUL";
#else
  const fs::path device = "/dev/null";
#endif
  EXPECT_NO_THROW(Write(device, "into the void"));
}

// What the clean-up of an interrupted call does, on this system's calls: listed files go, and
// then the listed folders that are left empty.
TEST(SystemInFlight, RemoveAllDeletesListedFilesThenEmptyFolders) {
  test::TempDir temp;
  const fs::path made = temp.path() / "made", kept = temp.path() / "kept";
  fs::create_directory(made);
  fs::create_directory(kept);
  std::ofstream(made / "part").put('x');
  std::ofstream(kept / "other").put('x');
  {
    const InFlightPath madeFolder(made, InFlightPath::Kind::folder);
    const InFlightPath keptFolder(kept, InFlightPath::Kind::folder);
    const InFlightPath part(made / "part");
    InFlightList::removeAll();
  }
  EXPECT_FALSE(fs::exists(made));
  EXPECT_TRUE(fs::exists(kept / "other")) << "a folder with other files in it stays";
}

} // namespace
} // namespace tessary
