#include "common/hex.hpp"
#include "common/temporary_folder.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;

TEST(TemporaryFolder, IsPrivateAndGoesWithEverythingInIt) {
  test::TempDir parent;
  fs::path made;
  {
    const TemporaryFolder folder(parent.path(), ".work-", "Error saving file!");
    made = folder.path();
    EXPECT_EQ(made.parent_path(), parent.path());
    EXPECT_TRUE(made.filename().string().starts_with(".work-"));
    struct stat info {};
    ASSERT_EQ(::stat(made.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(folder.file("a.bin"), (made / "a.bin").string());
    fs::create_directory(made / "inner");
    test::WriteText(folder.file("a.bin"), "x");
    test::WriteText((made / "inner" / "b.bin").string(), "y");
  }
  EXPECT_FALSE(fs::exists(made));
  EXPECT_TRUE(fs::is_empty(parent.path()));
}

TEST(TemporaryFolder, TwoAreNeverTheSame) {
  test::TempDir parent;
  const TemporaryFolder a(parent.path(), "t-", "Error saving file!");
  const TemporaryFolder b(parent.path(), "t-", "Error saving file!");
  EXPECT_NE(a.path(), b.path());
}

TEST(TemporaryFolder, MissingParentIsTheCallersError) {
  test::TempDir parent;
  test::ExpectError(
      [&] { TemporaryFolder folder(parent.path() / "missing", "t-", "Error saving file!"); },
      "Error saving file!", "missing");
  EXPECT_TRUE(fs::is_empty(parent.path()));
}

TEST(HexDigitValue, DigitsOfEitherCaseAndNothingElse) {
  const struct {
    char c;
    int value;
  } cases[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'f', 15}, {'A', 10}, {'F', 15}, {'g', -1},
               {'G', -1}, {'/', -1}, {':', -1}, {'@', -1}, {'`', -1}, {' ', -1}, {'\0', -1}};
  for (const auto &c : cases)
    EXPECT_EQ(HexDigitValue(c.c), c.value) << c.c;
}

} // namespace
} // namespace tessary
