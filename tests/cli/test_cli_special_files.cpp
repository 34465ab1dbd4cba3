// Only regular files are read: a FIFO, a device or a folder given where a file is read is
// refused at once with a message saying what it is, by every call. A call that writes one file
// says so when -o names a folder.
#include "cli/cli_harness.hpp"
#include "sprite/slp_builder.hpp"
#include "support/archive_fixture.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::Names;
using test::Outcome;

constexpr char kArchiveError[] = "Error reading from DRS file!";
constexpr char kSpriteError[] = "Error reading sprite file!";
constexpr char kPaletteError[] = "Error opening palette file!";
constexpr char kSlxError[] = "Error reading SLX file!";
constexpr char kBitmapError[] = "Error reading bitmap file!";
constexpr char kSaveError[] = "Error saving file!";

std::string GreyPalette() {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    text += std::to_string(i) + " " + std::to_string(i) + " " + std::to_string(i) + "\r\n";
  return text;
}

std::vector<std::string> Expand(std::vector<std::string> words,
                                const std::map<std::string, std::string> &values) {
  for (auto &word : words)
    for (const auto &[key, value] : values)
      for (auto at = word.find(key); at != std::string::npos;
           at = word.find(key, at + value.size()))
        word.replace(at, key.size(), value);
  return words;
}

class CliSpecialFiles : public ::testing::Test {
protected:
  void SetUp() override {
    const auto sprite = test::BuildSLP({test::UniformFrame(3, 2, {0x27, 5, 0x0F}, 1, 1)}).bytes;
    test::WriteFile(dir_.file("s.slp"), sprite);
    test::WriteFile(dir_.file("a.drs"), BuildArchive({{test::Tag(" pls"), {{1000, sprite}}}}));
    test::WriteText(dir_.file("p.pal"), GreyPalette());
    ASSERT_EQ(Call({"slx", "--slp", dir_.file("s.slp"), "-o", dir_.file("w.slx")}).code, 0);
    // An index whose first layer map is the FIFO.
    fs::create_directory(dir_.file("q"));
    ASSERT_EQ(::mkfifo(dir_.file("q/q1d.bmp").c_str(), 0600), 0);
    fs::copy_file(dir_.file("w1c.bmp"), dir_.file("q/q1c.bmp"));
    test::WriteText(dir_.file("q/q.slx"), "SLX 0.5\r\n1\r\n1,1\r\nq1d.bmp\r\nq1c.bmp\r\n");
    fs::create_directory(dir_.file("out"));
  }

  // The special inputs of this test, by name: each kind a call might be handed.
  std::map<std::string, std::string> specialInputs() const {
    std::map<std::string, std::string> inputs;
    fs::create_directory(dir_.file("folder"));
    if (!fs::exists(dir_.file("fifo"))) {
      EXPECT_EQ(::mkfifo(dir_.file("fifo").c_str(), 0600), 0);
    }
    inputs["a folder"] = dir_.file("folder");
    inputs["a FIFO"] = dir_.file("fifo");
    if (!fs::is_symlink(dir_.file("5.slp")))
      fs::create_symlink("fifo", dir_.file("5.slp"));
    inputs["a link to a FIFO"] = dir_.file("5.slp");
    // A device node of the test's own, never a system one: only where the test may make one.
    if (fs::exists(dir_.file("zero")) ||
        ::mknod(dir_.file("zero").c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0)
      inputs["a device"] = dir_.file("zero");
    else
      std::cout << "no device node could be made here; the device cases are not run\n";
    return inputs;
  }

  test::TempDir dir_;
};

TEST_F(CliSpecialFiles, EveryCallRefusesAnInputThatIsNotARegularFile) {
  struct Case {
    const char *name;
    std::vector<std::string> args; // {X} the special input, {D} the test's folder
    const char *message;
  };
  const Case cases[] = {
      {"list", {"list", "{X}"}, kArchiveError},
      {"list --long", {"list", "--long", "{X}"}, kArchiveError},
      {"extract", {"extract", "{X}", "1000", "-o", "{D}/out/x.slp"}, kArchiveError},
      {"extract-all", {"extract-all", "{X}", "-o", "{D}/out/all"}, kArchiveError},
      {"frame of an archive", {"frame", "{X}", "1000", "-o", "{D}/out/f.bmp"}, kArchiveError},
      {"frame --slp", {"frame", "--slp", "{X}", "-o", "{D}/out/f.bmp"}, kSpriteError},
      {"sequence --slp", {"sequence", "--slp", "{X}", "-o", "{D}/out/s.bmp"}, kSpriteError},
      {"slx --slp", {"slx", "--slp", "{X}", "-o", "{D}/out/x.slx"}, kSpriteError},
      {"frame --palette",
       {"frame", "--slp", "{D}/s.slp", "--palette", "{X}", "-o", "{D}/out/f.bmp"},
       kPaletteError},
      {"sequence --palette",
       {"sequence", "{D}/a.drs", "1000", "--palette", "{X}", "-o", "{D}/out/s.bmp"},
       kPaletteError},
      {"slx --palette",
       {"slx", "--slp", "{D}/s.slp", "--palette", "{X}", "-o", "{D}/out/x.slx"},
       kPaletteError},
      {"encode", {"encode", "{X}", "-o", "{D}/out/e.slp"}, kSlxError},
      {"encode --palette",
       {"encode", "{D}/w.slx", "--palette", "{X}", "-o", "{D}/out/e.slp"},
       kPaletteError},
  };
  for (const auto &[kind, path] : specialInputs()) {
    for (const Case &c : cases) {
      SCOPED_TRACE(std::string(c.name) + " of " + kind);
      const Outcome outcome = Call(Expand(c.args, {{"{X}", path}, {"{D}", dir_.path().string()}}));
      test::ExpectFailure(outcome, c.message, path + " is not a regular file");
      EXPECT_TRUE(Names(dir_.file("out")).empty()) << "the refused call wrote a file";
    }
  }
}

TEST_F(CliSpecialFiles, EncodeRefusesABitmapThatIsAFifo) {
  test::ExpectFailure(Call({"encode", dir_.file("q/q.slx"), "-o", dir_.file("out/e.slp")}),
                      kBitmapError,
                      dir_.file("q/q1d.bmp") + " is not a regular file (it is a FIFO)");
  EXPECT_TRUE(Names(dir_.file("out")).empty());
}

// A file that pack cannot take is named for what is wrong with it: a rightly named link to a
// FIFO is not a misnamed file.
TEST_F(CliSpecialFiles, PackSaysWhichSourceIsNotARegularFile) {
  struct Case {
    const char *name;
    const char *detail; // what follows the file's path
  };
  const Case cases[] = {
      {"5.slp", " is not a regular file"},
      {"6.wav", " is a link to a file that does not exist"},
      {"7.bin", " is not a regular file"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = dir_.file(std::string("src-") + c.name);
    fs::create_directory(source);
    fs::copy_file(dir_.file("s.slp"), source + "/1.slp");
    const std::string entry = source + "/" + c.name;
    if (std::string(c.name) == "5.slp")
      fs::create_symlink(dir_.file("q/q1d.bmp"), entry); // the FIFO
    else if (std::string(c.name) == "6.wav")
      fs::create_symlink(dir_.file("none"), entry);
    else
      fs::create_directory(entry);
    test::ExpectFailure(Call({"pack", source, "-o", dir_.file("out/p.drs")}), kSaveError,
                        entry + c.detail);
    EXPECT_TRUE(Names(dir_.file("out")).empty());
  }
}

TEST_F(CliSpecialFiles, OutputThatIsAFolderIsNamedAsSuch) {
  fs::create_directory(dir_.file("src"));
  fs::copy_file(dir_.file("s.slp"), dir_.file("src/1.slp"));
  struct Case {
    const char *name;
    std::vector<std::string> args; // {D} the test's folder
    const char *detail;
  };
  const Case cases[] = {
      {"encode into a folder", {"encode", "{D}/w.slx", "-o", "{D}/out"}, "out is a folder"},
      {"encode into a folder named with a slash",
       {"encode", "{D}/w.slx", "-o", "{D}/out/"},
       "out/ is a folder"},
      {"encode into a folder that does not exist",
       {"encode", "{D}/w.slx", "-o", "{D}/new/"},
       "new/ ends in a folder separator"},
      {"extract into a folder",
       {"extract", "{D}/a.drs", "1000", "-o", "{D}/out"},
       "out is a folder"},
      {"frame into a folder", {"frame", "{D}/a.drs", "1000", "-o", "{D}/out/"}, "out/ is a folder"},
      {"pack into a folder", {"pack", "{D}/src", "-o", "{D}/out"}, "out is a folder"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    test::ExpectFailure(Call(Expand(c.args, {{"{D}", dir_.path().string()}})), kSaveError,
                        c.detail);
    EXPECT_TRUE(Names(dir_.file("out")).empty());
    EXPECT_FALSE(fs::exists(dir_.file("new")));
  }
}

} // namespace
} // namespace tessary
