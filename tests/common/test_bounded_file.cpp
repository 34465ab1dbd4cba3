// A bounded file is only ever a regular file: anything else has no length to bound the reads by,
// and a FIFO without a writer must be refused at once rather than wait for one.
#include "common/bounded_reader.hpp"
#include "common/paths.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;

// The reader reports its failures as the kind its caller names.
constexpr ErrorKind kKind = ErrorKind::ArchiveRead;
constexpr const char *kMessage = kReadErrorText;

TEST(BoundedFile, OpensARegularFileAndItsLinkWithTheirSize) {
  test::TempDir dir;
  test::WriteFile(dir.file("data"), {1, 2, 3, 4, 5});
  fs::create_symlink("data", dir.file("link"));
  for (const char *name : {"data", "link"}) {
    SCOPED_TRACE(name);
    const BoundedFile file(PathOf(dir.file(name)), kKind);
    EXPECT_EQ(file.size(), 5u);
    std::uint8_t bytes[2] = {};
    file.readAt(3, bytes, kKind);
    EXPECT_EQ(bytes[0], 4);
    EXPECT_EQ(bytes[1], 5);
  }
}

TEST(BoundedFile, RefusesEverythingThatIsNotARegularFile) {
  test::TempDir dir;
  fs::create_directory(dir.file("folder"));
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  fs::create_symlink("fifo", dir.file("link-to-fifo"));
  fs::create_symlink("folder", dir.file("link-to-folder"));
  // A device node of its own, never the system's: made where the test may, skipped otherwise.
  const bool haveDevice = ::mknod(dir.file("zero").c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0;
  struct Case {
    const char *name;
    const char *kind;
  };
  const Case cases[] = {
      {"folder", "a folder"},         {"fifo", "a FIFO"},   {"link-to-fifo", "a FIFO"},
      {"link-to-folder", "a folder"}, {"zero", "a device"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) == "zero" && !haveDevice) {
      std::cout << "no device node could be made here; that case is not run\n";
      continue;
    }
    // A FIFO with no writer would block a plain open for ever; this must return at once.
    test::ExpectError([&] { BoundedFile(PathOf(dir.file(c.name)), kKind); }, kMessage,
                      dir.file(c.name) + " is not a regular file (it is " + c.kind + ")");
    test::ExpectError([&] { ReadWholeFile(PathOf(dir.file(c.name)), 100, kKind); }, kMessage,
                      "is not a regular file");
  }
}

TEST(BoundedFile, MissingFileNamesTheSystemsReason) {
  test::TempDir dir;
  test::ExpectError([&] { BoundedFile(PathOf(dir.file("none")), kKind); }, kMessage,
                    "cannot open " + dir.file("none") + ": No such file or directory");
}

} // namespace
} // namespace tessary
