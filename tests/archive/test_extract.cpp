#include "archive/extract.hpp"
#include "archive/read_archive.hpp"
#include "common/paths.hpp"

#include "common/error.hpp"
#include "support/archive_fixture.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;

// An archive file of `bytes` in a fresh folder, opened for reading.
class ExtractTest : public ::testing::Test {
protected:
  void openArchive(const std::vector<std::uint8_t> &bytes) {
    archivePath_ = dir_.file("archive.drs");
    test::WriteFile(archivePath_, bytes);
    archive_ = BoundedFile(PathOf(archivePath_), ErrorKind::ArchiveRead);
  }

  // Runs the copy, keeping the status texts.
  void extract(const std::string &target, const DRSFileInfo &entry) {
    ExtractResource(archive_, target, entry, [&](const std::string &s) { statuses_.push_back(s); });
  }

  void expectSaveError(const std::string &target, const DRSFileInfo &entry,
                       const std::string &detailPart) {
    test::ExpectError([&] { extract(target, entry); }, "Error saving file!", detailPart);
  }

  // Names in the folder besides the archive: a failed copy must leave no temporary behind.
  std::vector<std::string> otherFiles() const {
    std::vector<std::string> names;
    for (const auto &item : fs::directory_iterator(dir_.path()))
      if (item.path().filename() != "archive.drs")
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir_;
  std::string archivePath_;
  BoundedFile archive_;
  std::vector<std::string> statuses_;
};

DRSFileInfo Entry(std::int32_t offset, std::int32_t size, std::int32_t id = 9) {
  DRSFileInfo entry;
  entry.id = id;
  entry.offset = offset;
  entry.size = size;
  return entry;
}

TEST_F(ExtractTest, CopiesExactlyTheEntrysBytes) {
  // Around the old 1024-byte block and past the reader's larger one.
  const auto bytes = test::Pattern(200000);
  openArchive(bytes);
  for (std::int32_t size : {0, 1, 1023, 1024, 1025, 65536, 65537, 150001}) {
    SCOPED_TRACE(size);
    const std::int32_t offset = 333;
    const std::string target = dir_.file("out.bin");
    statuses_.clear();
    extract(target, Entry(offset, size));
    EXPECT_EQ(test::ReadFile(target),
              std::vector<std::uint8_t>(bytes.begin() + offset, bytes.begin() + offset + size));
    EXPECT_EQ(statuses_, (std::vector<std::string>{"Reading data...", "Finished reading data"}));
  }
  EXPECT_EQ(otherFiles(), std::vector<std::string>{"out.bin"});
}

TEST_F(ExtractTest, ResourceAtTheVeryEndIsCopied) {
  const auto bytes = test::Pattern(5000);
  openArchive(bytes);
  extract(dir_.file("tail"), Entry(4000, 1000));
  EXPECT_EQ(test::ReadFile(dir_.file("tail")),
            std::vector<std::uint8_t>(bytes.begin() + 4000, bytes.end()));
  extract(dir_.file("empty"), Entry(5000, 0));
  EXPECT_TRUE(test::ReadFile(dir_.file("empty")).empty());
}

TEST_F(ExtractTest, ReplacesALongerFileWholly) {
  const auto bytes = test::Pattern(100);
  openArchive(bytes);
  const std::string target = dir_.file("out.slp");
  test::WriteFile(target, std::vector<std::uint8_t>(5000, 0xEE));
  extract(target, Entry(10, 20));
  const std::vector<std::uint8_t> expected(bytes.begin() + 10, bytes.begin() + 30);
  EXPECT_EQ(test::ReadFile(target), expected);
  extract(target, Entry(10, 20)); // a second copy gives the same file
  EXPECT_EQ(test::ReadFile(target), expected);
}

TEST_F(ExtractTest, FinishedFileHasOrdinaryPermissions) {
  openArchive(test::Pattern(10));
  extract(dir_.file("out"), Entry(0, 10));
  const mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat info {};
  ASSERT_EQ(::stat(dir_.file("out").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST_F(ExtractTest, BadRangesAreRefusedAndLeaveNothing) {
  openArchive(test::Pattern(3000));
  struct Case {
    const char *name;
    DRSFileInfo entry;
    const char *detail;
  };
  const Case cases[] = {
      {"one byte past the end", Entry(2000, 1001), "past the end"},
      {"starting past the end", Entry(3001, 0), "past the end"},
      {"far past the end", Entry(0x7FFFFFF0, 100), "past the end"},
      {"negative offset", Entry(-1, 10), "past the end"},
      {"negative size", Entry(0, -1), "negative size"},
      {"one byte over the limit", Entry(0, 33554432), "33554431"},
      {"far over the limit", Entry(0, 0x7FFFFFFF), "33554431"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    expectSaveError(dir_.file("out.bin"), c.entry, c.detail);
    EXPECT_EQ(statuses_.front(), "Reading data...");
    EXPECT_TRUE(otherFiles().empty());
  }
}

TEST_F(ExtractTest, LargestResourceIsCopied) {
  // A sparse archive keeps the 32 MiB source cheap.
  archivePath_ = dir_.file("archive.drs");
  test::WriteFile(archivePath_, {1, 2, 3});
  fs::resize_file(archivePath_, kMaxExtractSize + 3);
  archive_ = BoundedFile(PathOf(archivePath_), ErrorKind::ArchiveRead);
  extract(dir_.file("big"), Entry(1, static_cast<std::int32_t>(kMaxExtractSize)));
  const auto copy = test::ReadFile(dir_.file("big"));
  ASSERT_EQ(copy.size(), static_cast<std::size_t>(kMaxExtractSize));
  EXPECT_EQ(copy[0], 2);
  EXPECT_EQ(copy[1], 3);
  EXPECT_EQ(copy.back(), 0);
}

TEST_F(ExtractTest, FailedCopyLeavesThePreviousTargetIntact) {
  openArchive(test::Pattern(100));
  const std::string target = dir_.file("keep.slp");
  const std::vector<std::uint8_t> previous{'o', 'l', 'd'};
  test::WriteFile(target, previous);
  expectSaveError(target, Entry(50, 51), "past the end");
  EXPECT_EQ(test::ReadFile(target), previous);
  EXPECT_EQ(otherFiles(), std::vector<std::string>{"keep.slp"});
}

TEST_F(ExtractTest, TheArchiveItselfIsNeverTheTarget) {
  const auto bytes = test::Pattern(100);
  openArchive(bytes);
  fs::create_symlink(archivePath_, dir_.file("link.drs"));
  fs::create_hard_link(archivePath_, dir_.file("hard.drs"));
  const std::string relative = (fs::path(dir_.path()) / "." / "archive.drs").string();
  for (const auto &target :
       {archivePath_, relative, dir_.file("link.drs"), dir_.file("hard.drs")}) {
    SCOPED_TRACE(target);
    expectSaveError(target, Entry(0, 10), "the open archive itself");
    EXPECT_EQ(test::ReadFile(archivePath_), bytes);
  }
  EXPECT_EQ(otherFiles(), (std::vector<std::string>{"hard.drs", "link.drs"}));
}

TEST(RefuseWritingOnto, FindsTheInputAmongManyOutputs) {
  test::TempDir dir;
  test::WriteText(dir.file("input"), "x");
  test::WriteText(dir.file("other"), "y");
  fs::create_symlink("input", dir.file("link"));
  const std::vector<std::string> harmless = {dir.file("other"), dir.file("absent"),
                                             dir.file("no/such/folder/f")};
  EXPECT_NO_THROW(RefuseWritingOnto(dir.file("input"), "the input", harmless));
  EXPECT_NO_THROW(RefuseWritingOnto(dir.file("absent"), "the input", {dir.file("absent")}));
  for (const auto &culprit : {dir.file("input"), dir.file("link")}) {
    SCOPED_TRACE(culprit);
    std::vector<std::string> outputs = harmless;
    outputs.insert(outputs.begin() + 1, culprit);
    test::ExpectError([&] { RefuseWritingOnto(dir.file("input"), "the input", outputs); },
                      "Error saving file!", culprit + " is the input itself");
  }
}

TEST_F(ExtractTest, UnwritableTargetsAreRefused) {
  openArchive(test::Pattern(100));
  expectSaveError(dir_.file("no-such-folder/out.bin"), Entry(0, 10), "no-such-folder");
  fs::create_directory(dir_.file("folder"));
  expectSaveError(dir_.file("folder"), Entry(0, 10), "folder");
  EXPECT_TRUE(fs::is_directory(dir_.file("folder")));
  EXPECT_EQ(otherFiles(), std::vector<std::string>{"folder"});
}

TEST_F(ExtractTest, NoOpenArchiveIsAFailure) {
  expectSaveError(dir_.file("out"), Entry(0, 0), "no archive is open");
  EXPECT_FALSE(fs::exists(dir_.file("out")));
}

TEST(ProposedExtractName, FollowsTheKind) {
  struct Case {
    int kind;
    std::int32_t id;
    const char *name;
    int filter;
  };
  const Case cases[] = {
      {kKindSprite, 100, "100.slp", 3}, {kKindSound, 200, "200.wav", 2},
      {kKindBinary, 5, "5.bin", 1},     {kKindOther, 7, "7", 4},
      {kKindSprite, -7, "-7.slp", 3},
  };
  for (const auto &c : cases) {
    const auto proposed = ProposedExtractName(c.id, c.kind);
    EXPECT_EQ(proposed.name, c.name);
    EXPECT_EQ(proposed.filterIndex, c.filter);
  }
}

} // namespace
} // namespace tessary
