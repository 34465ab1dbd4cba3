// No call of tessary-cli may destroy a user's file: the archive it reads is never written, an
// output that would land on the input is refused before anything is written, and a call that
// fails keeps whatever file stood at its target before.
#include "cli/cli_harness.hpp"
#include "sprite/slp_builder.hpp"
#include "support/archive_fixture.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <sys/stat.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::Names;
using test::Outcome;
using test::UniformFrame;

constexpr char kSaveError[] = "Error saving file!";

// What must not change about a file that is only read: its bytes, its modification time, and
// the file itself (a rename over it gives a new inode even with the same bytes).
struct FileState {
  std::vector<std::uint8_t> bytes;
  std::int64_t mtimeSeconds = 0, mtimeNanoseconds = 0;
  ino_t inode = 0;
  mode_t mode = 0;

  bool operator==(const FileState &) const = default;
};

FileState StateOf(const std::string &path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return {test::ReadFile(path), info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_ino,
          info.st_mode};
}

// Dates the file back so that a rewrite shows in its time even on a file system with coarse
// timestamps.
void AgeFile(const std::string &path) {
  const timespec past[2] = {{1000000000, 123}, {1000000000, 123}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), past, 0), 0) << path;
}

// Replaces "{A}", "{D}", ... in every word by the paths they stand for.
std::vector<std::string> Expand(std::vector<std::string> words,
                                const std::map<std::string, std::string> &values) {
  for (auto &word : words)
    for (const auto &[key, value] : values)
      for (auto at = word.find(key); at != std::string::npos;
           at = word.find(key, at + value.size()))
        word.replace(at, key.size(), value);
  return words;
}

// A sprite of two frames of different sizes and hotspots that uses every layer.
std::vector<std::uint8_t> GoodSprite() {
  return test::BuildSLP({UniformFrame(7, 3, {0x04, 9, 0x0E, 1, 0x1B, 0x4E, 0x6E, 0x05, 0x0F}, 3, 2),
                         UniformFrame(2, 4, {0x27, 5, 0x0F}, -1, 6)})
      .bytes;
}

// Frame 1 decodes; the first row of frame 2 points its commands far past the end.
std::vector<std::uint8_t> SpriteBrokenAtFrame2() {
  auto built = test::BuildSLP({UniformFrame(2, 2, {0x27, 1, 0x0F}), UniformFrame(2, 2, {0x0F}),
                               UniformFrame(1, 1, {0x0F})});
  test::SetI32(built.bytes, built.frames[1].commandTable, 1 << 30);
  return built.bytes;
}

class CliNoDataLoss : public ::testing::Test {
protected:
  void SetUp() override {
    // No call needs the temporary folder; pointing it into the test's folder shows any file a
    // call would still leave there.
    const char *old = std::getenv("TMPDIR");
    oldTmp_ = old ? std::optional<std::string>(old) : std::nullopt;
    fs::create_directory(tmp());
    ::setenv("TMPDIR", tmp().c_str(), 1);
    archiveBytes_ =
        BuildArchive({{test::Tag(" pls"), {{1000, GoodSprite()}, {1001, SpriteBrokenAtFrame2()}}},
                      {test::Tag(" vaw"), {{5000, test::Pattern(300)}}},
                      {test::Tag("anib"), {{50500, test::Pattern(40, 9)}}}});
  }
  void TearDown() override {
    if (oldTmp_)
      ::setenv("TMPDIR", oldTmp_->c_str(), 1);
    else
      ::unsetenv("TMPDIR");
  }

  std::string tmp() const { return dir_.file("tmp"); }

  // A fresh folder for one case.
  std::string folder(const std::string &name) const {
    fs::create_directories(dir_.file(name));
    return dir_.file(name);
  }

  // Writes the archive (or other input) under a name and dates it back.
  std::string input(const std::string &path, const std::vector<std::uint8_t> &bytes) const {
    test::WriteFile(path, bytes);
    AgeFile(path);
    return path;
  }

  test::TempDir dir_;
  std::optional<std::string> oldTmp_;
  std::vector<std::uint8_t> archiveBytes_;
};

// ----- the archive is only ever read -----

TEST_F(CliNoDataLoss, EveryCallLeavesTheArchiveAsItWas) {
  const std::string archive = input(dir_.file("a.drs"), archiveBytes_);
  const std::string source = folder("src");
  test::WriteFile(source + "/1000.slp", GoodSprite());
  test::WriteFile(source + "/7.wav", test::Pattern(20));
  struct Case {
    const char *name;
    std::vector<std::string> args; // {A} the archive, {O} a fresh output folder, {D} the test's
    int code;
  };
  const Case cases[] = {
      {"list", {"list", "{A}"}, 0},
      {"list --long", {"list", "--long", "{A}"}, 0},
      {"extract", {"extract", "{A}", "1000", "-o", "{O}/x.slp"}, 0},
      {"extract-all", {"extract-all", "{A}", "-o", "{O}/all"}, 0},
      {"frame", {"frame", "{A}", "1000", "--frame", "2", "-o", "{O}/f.bmp"}, 0},
      {"frame with colours", {"frame", "{A}", "1000", "--mask", "102030", "-o", "{O}/f.bmp"}, 0},
      {"sequence", {"sequence", "{A}", "1000", "-o", "{O}/s.bmp"}, 0},
      {"slx", {"slx", "{A}", "1000", "-o", "{O}/w.slx"}, 0},
      {"pack into another file", {"pack", "{D}/src", "-o", "{O}/p.drs"}, 0},
      {"frame that fails to decode",
       {"frame", "{A}", "1001", "--frame", "2", "-o", "{O}/f.bmp"},
       1},
      {"frame number outside the sprite",
       {"frame", "{A}", "1000", "--frame", "3", "-o", "{O}/f.bmp"},
       2},
      {"identifier the archive lacks", {"extract", "{A}", "4", "-o", "{O}/x"}, 2},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const FileState before = StateOf(archive);
    const std::string out = folder("out" + std::to_string(++n));
    const Outcome outcome =
        Call(Expand(c.args, {{"{A}", archive}, {"{O}", out}, {"{D}", dir_.path().string()}}));
    EXPECT_EQ(outcome.code, c.code) << outcome.err;
    EXPECT_EQ(StateOf(archive), before);
    EXPECT_EQ(Names(dir_.path()).size(), 3u + n) << "a call wrote beside the archive";
    EXPECT_TRUE(Names(tmp()).empty()) << "a temporary copy was left behind";
  }
}

// ----- writing onto the input is refused -----

TEST_F(CliNoDataLoss, WritingOntoTheFileBeingReadIsRefused) {
  struct Case {
    const char *name;
    const char *inputName;         // the name the input file is given in a fresh folder
    bool looseSprite;              // the input is a loose sprite rather than the archive
    const char *link;              // a link to the input made beside it, or null
    std::vector<std::string> args; // {A} the input, {F} its folder
    const char *detail;
  };
  const Case cases[] = {
      {"extract onto the archive",
       "a.drs",
       false,
       nullptr,
       {"extract", "{A}", "1000", "-o", "{A}"},
       "is the open archive itself"},
      {"extract through a link to the archive",
       "a.drs",
       false,
       "l.slp",
       {"extract", "{A}", "1000", "-o", "{F}/l.slp"},
       "is the open archive itself"},
      {"extract-all where an entry takes the archive's name",
       "1000.slp",
       false,
       nullptr,
       {"extract-all", "{A}", "-o", "{F}"},
       "is the open archive itself"},
      {"extract-all into the archive as a folder",
       "a.drs",
       false,
       nullptr,
       {"extract-all", "{A}", "-o", "{A}"},
       "a.drs"},
      {"frame onto the archive",
       "a.drs",
       false,
       nullptr,
       {"frame", "{A}", "1000", "-o", "{A}"},
       "is the open archive itself"},
      {"frame through a link to the archive",
       "a.drs",
       false,
       "f.bmp",
       {"frame", "{A}", "1000", "-o", "{F}/f.bmp"},
       "is the open archive itself"},
      {"sequence whose second picture is the archive",
       "w002.bmp",
       false,
       nullptr,
       {"sequence", "{A}", "1000", "-o", "{F}/w.bmp"},
       "w002.bmp is the open archive itself"},
      {"slx whose index is the archive",
       "w.slx",
       false,
       nullptr,
       {"slx", "{A}", "1000", "-o", "{A}"},
       "w.slx is the open archive itself"},
      {"slx whose layer map is the archive",
       "w2d.bmp",
       false,
       nullptr,
       {"slx", "{A}", "1000", "-o", "{F}/w.slx"},
       "w2d.bmp is the open archive itself"},
      {"frame onto the loose sprite",
       "s.slp",
       true,
       nullptr,
       {"frame", "--slp", "{A}", "-o", "{A}"},
       "s.slp is the sprite file itself"},
      {"sequence onto the loose sprite",
       "w001.bmp",
       true,
       nullptr,
       {"sequence", "--slp", "{A}", "-o", "{F}/w.bmp"},
       "w001.bmp is the sprite file itself"},
      {"PNG sequence onto the loose sprite",
       "w001.png",
       true,
       nullptr,
       {"sequence", "--slp", "{A}", "-o", "{F}/w.png"},
       "w001.png is the sprite file itself"},
      {"sheet whose index is the loose sprite",
       "w.json",
       true,
       nullptr,
       {"sheet", "--slp", "{A}", "-o", "{F}/w.png"},
       "w.json is the sprite file itself"},
      {"anim onto the archive",
       "a.gif",
       false,
       nullptr,
       {"anim", "{A}", "1000", "-o", "{A}"},
       "is the open archive itself"},
      {"slx onto the loose sprite",
       "w1c.bmp",
       true,
       nullptr,
       {"slx", "--slp", "{A}", "-o", "{F}/w.slx"},
       "w1c.bmp is the sprite file itself"},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string where = folder("case" + std::to_string(++n));
    const std::string path =
        input(where + "/" + c.inputName, c.looseSprite ? GoodSprite() : archiveBytes_);
    std::vector<std::string> names = {c.inputName};
    if (c.link) {
      fs::create_symlink(c.inputName, where + "/" + c.link);
      names.push_back(c.link);
      std::sort(names.begin(), names.end());
    }
    const FileState before = StateOf(path);
    const Outcome outcome = Call(Expand(c.args, {{"{A}", path}, {"{F}", where}}));
    test::ExpectFailure(outcome, kSaveError, c.detail);
    EXPECT_EQ(StateOf(path), before);
    EXPECT_EQ(Names(where), names) << "the refused call left a file behind";
    EXPECT_TRUE(Names(tmp()).empty());
  }
}

// A JASC-PAL text of 256 grey entries.
std::string GreyPalette() {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    text += std::to_string(i) + " " + std::to_string(i) + " " + std::to_string(i) + "\r\n";
  return text;
}

TEST_F(CliNoDataLoss, WritingOntoAPaletteOrAnSlxInputIsRefused) {
  const std::string archive = input(dir_.file("a.drs"), archiveBytes_);
  struct Case {
    const char *name;
    std::vector<std::string> args; // {A} the archive, {F} the folder of inputs
    const char *detail;
  };
  const Case cases[] = {
      {"encode onto its index",
       {"encode", "{F}/w.slx", "-o", "{F}/w.slx"},
       "w.slx is the SLX index itself"},
      {"encode onto its own image bitmap",
       {"encode", "{F}/w.slx", "-o", "{F}/w1c.bmp"},
       "w1c.bmp is frame 1's image bitmap itself"},
      {"encode onto a later layer map",
       {"encode", "{F}/w.slx", "-o", "{F}/w2d.bmp"},
       "w2d.bmp is frame 2's layer-map bitmap itself"},
      {"encode through a link to a bitmap",
       {"encode", "{F}/w.slx", "-o", "{F}/link.slp"},
       "link.slp is frame 1's layer-map bitmap itself"},
      {"encode onto its palette",
       {"encode", "{F}/w.slx", "--palette", "{F}/p.pal", "-o", "{F}/p.pal"},
       "p.pal is the palette file itself"},
      {"frame onto its palette",
       {"frame", "{A}", "1000", "--palette", "{F}/p.pal", "-o", "{F}/p.pal"},
       "p.pal is the palette file itself"},
      {"frame of a loose sprite onto its palette",
       {"frame", "--slp", "{F}/s.slp", "--palette", "{F}/p.pal", "-o", "{F}/p.pal"},
       "p.pal is the palette file itself"},
      {"sequence whose second picture is its palette",
       {"sequence", "{A}", "1000", "--palette", "{F}/s002.bmp", "-o", "{F}/s.bmp"},
       "s002.bmp is the palette file itself"},
      {"slx whose image bitmap is its palette",
       {"slx", "{A}", "1000", "--palette", "{F}/v1c.bmp", "-o", "{F}/v.slx"},
       "v1c.bmp is the palette file itself"},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    // Every case finds the same inputs: an SLX export of two frames, palettes under several
    // names, a loose sprite and a link to a layer map.
    const std::string where = folder("other" + std::to_string(++n));
    ASSERT_EQ(Call({"slx", archive, "1000", "-o", where + "/w.slx"}).code, 0);
    for (const char *name : {"p.pal", "s002.bmp", "v1c.bmp"})
      test::WriteText(where + "/" + name, GreyPalette());
    test::WriteFile(where + "/s.slp", GoodSprite());
    fs::create_symlink("w1d.bmp", where + "/link.slp");
    const auto names = Names(where);
    std::map<std::string, FileState> before;
    for (const auto &name : names) {
      AgeFile(where + "/" + name);
      before[name] = StateOf(where + "/" + name);
    }
    const Outcome outcome = Call(Expand(c.args, {{"{A}", archive}, {"{F}", where}}));
    test::ExpectFailure(outcome, kSaveError, c.detail);
    EXPECT_EQ(Names(where), names) << "the refused call left a file behind";
    for (const auto &name : names)
      EXPECT_EQ(StateOf(where + "/" + name), before[name]) << name;
  }
}

TEST_F(CliNoDataLoss, PackNeverReplacesOneOfItsOwnFiles) {
  const std::string source = folder("src");
  const std::string kept = input(source + "/1.slp", GoodSprite());
  const FileState before = StateOf(kept);
  test::ExpectFailure(Call({"pack", source, "-o", kept}), kSaveError,
                      "one of the files being packed");
  EXPECT_EQ(StateOf(kept), before);
  EXPECT_EQ(Names(source), std::vector<std::string>{"1.slp"});
}

// ----- a failed call keeps what stood at its target -----

TEST_F(CliNoDataLoss, FailedCallKeepsThePreviousFilesAtItsTargets) {
  const std::string archive = input(dir_.file("a.drs"), archiveBytes_);
  // The last resource, 50500, now runs past the end of the file.
  auto cut = archiveBytes_;
  cut.resize(cut.size() - 5);
  const std::string truncated = input(dir_.file("cut.drs"), cut);
  test::WriteText(dir_.file("notpal.pal"), "not a palette\r\n");
  const std::string strange = folder("strange");
  test::WriteFile(strange + "/1.slp", GoodSprite());
  test::WriteText(strange + "/readme.txt", "x");

  struct Case {
    const char *name;
    std::vector<std::string> args; // {A} the archive, {T} the truncated one, {O} the output folder
    std::vector<std::string> targets; // files that exist in {O} before the call
    int code;
    const char *message; // the first line of the message, or part of it for wrong words
  };
  const Case cases[] = {
      {"extract of a resource past the end of a truncated archive",
       {"extract", "{T}", "50500", "-o", "{O}/50500.bin"},
       {"50500.bin"},
       1,
       kSaveError},
      {"extract-all of a truncated archive",
       {"extract-all", "{T}", "-o", "{O}"},
       {"1000.slp", "50500.bin"},
       1,
       kSaveError},
      {"extract of an identifier the archive lacks",
       {"extract", "{A}", "4", "-o", "{O}/4"},
       {"4"},
       2,
       "no resource with identifier 4"},
      {"frame with a palette file that is missing",
       {"frame", "{A}", "1000", "--palette", "{D}/none.pal", "-o", "{O}/f.bmp"},
       {"f.bmp"},
       1,
       "Error opening palette file!"},
      {"frame with a file that is no palette",
       {"frame", "{A}", "1000", "--palette", "{D}/notpal.pal", "-o", "{O}/f.bmp"},
       {"f.bmp"},
       1,
       "Not valid palette file!"},
      {"frame that fails to decode",
       {"frame", "{A}", "1001", "--frame", "2", "-o", "{O}/f.bmp"},
       {"f.bmp"},
       1,
       "Error reading sprite file!"},
      {"frame with a bad colour",
       {"frame", "{A}", "1000", "--shadow", "12345", "-o", "{O}/f.bmp"},
       {"f.bmp"},
       2,
       "--shadow"},
      {"sequence that fails at its second frame",
       {"sequence", "{A}", "1001", "-o", "{O}/w.bmp"},
       {"w001.bmp", "w002.bmp"},
       1,
       "Error reading sprite file!"},
      {"sequence with a palette file that is missing",
       {"sequence", "{A}", "1000", "--palette", "{D}/none.pal", "-o", "{O}/w.bmp"},
       {"w001.bmp"},
       1,
       "Error opening palette file!"},
      {"slx that fails at its second frame",
       {"slx", "{A}", "1001", "-o", "{O}/w.slx"},
       {"w.slx", "w1c.bmp", "w1d.bmp"},
       1,
       "Error reading sprite file!"},
      {"pack of a folder holding a stranger",
       {"pack", "{D}/strange", "-o", "{O}/p.drs"},
       {"p.drs"},
       1,
       kSaveError},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = folder("out" + std::to_string(++n));
    for (const auto &target : c.targets)
      test::WriteText(out + "/" + target, "previous " + target);
    const FileState archiveBefore = StateOf(archive);
    const Outcome outcome = Call(Expand(
        c.args,
        {{"{A}", archive}, {"{T}", truncated}, {"{O}", out}, {"{D}", dir_.path().string()}}));
    if (c.code == 1)
      test::ExpectFailure(outcome, c.message, "");
    else
      test::ExpectWrongWords(outcome, c.message);
    for (const auto &target : c.targets) {
      const auto bytes = test::ReadFile(out + "/" + target);
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "previous " + target);
    }
    std::vector<std::string> names = c.targets;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(Names(out), names) << "the failed call left a file behind";
    EXPECT_EQ(StateOf(archive), archiveBefore);
    EXPECT_TRUE(Names(tmp()).empty());
  }
}

} // namespace
} // namespace tessary
