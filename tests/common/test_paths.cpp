#include "common/paths.hpp"

#include <gtest/gtest.h>

namespace tessary {
namespace {

struct PathCase {
  const char *path;
  const char *title;
  const char *folder;
  const char *name;
};

TEST(Paths, FileTitleFolderAndNameOfEveryForm) {
  const PathCase cases[] = {
      {"C:\\games\\data\\graphics.drs", "graphics", "C:\\games\\data\\", "graphics.drs"},
      {"graphics.drs", "graphics.drs", "", "graphics.drs"}, // no separator: unchanged
      {"C:\\data\\x", "C:\\data\\x", "C:\\data\\", "x"},    // no dot: unchanged
      {"C:\\data\\.pal", "", "C:\\data\\", ".pal"},
      {"/home/u/pal/1234.pal", "1234", "/home/u/pal/", "1234.pal"},
      {"C:\\pal\\1234.pal", "1234", "C:\\pal\\", "1234.pal"},
      {"/tmp/a.b/walk", "walk", "/tmp/a.b/", "walk"}, // dot only in a folder name
      {"C:\\out\\walk.tar.bmp", "walk.tar", "C:\\out\\", "walk.tar.bmp"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FileTitle(c.path), c.title);
    EXPECT_EQ(FolderOfPath(c.path), c.folder);
    EXPECT_EQ(NameOfPath(c.path), c.name);
  }
}

TEST(Paths, BaseNameDropsOnlyTheExtension) {
  EXPECT_EQ(BaseNameOfPath("C:\\out\\walk.bmp"), "C:\\out\\walk");
  EXPECT_EQ(BaseNameOfPath("/out/walk.bmp"), "/out/walk");
  EXPECT_EQ(BaseNameOfPath("walk.bmp"), "walk");
  EXPECT_EQ(BaseNameOfPath("/out.d/walk"), "/out.d/walk");
  EXPECT_EQ(BaseNameOfPath("/out/walk"), "/out/walk");
}

TEST(Paths, PadNumberFillsToThreeDigits) {
  EXPECT_EQ(PadNumber(0), "000");
  EXPECT_EQ(PadNumber(7), "007");
  EXPECT_EQ(PadNumber(42), "042");
  EXPECT_EQ(PadNumber(999), "999");
  EXPECT_EQ(PadNumber(1000), "1000");
  EXPECT_EQ(PadNumber(-5), "005");
}

TEST(Paths, IntMaxTakesTheLarger) {
  EXPECT_EQ(IntMax(1205, 1000), 1205);
  EXPECT_EQ(IntMax(705, 1000), 1000);
  EXPECT_EQ(IntMax(-3, -7), -3);
  EXPECT_EQ(IntMax(5, 5), 5);
}

} // namespace
} // namespace tessary
