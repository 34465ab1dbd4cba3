#include "cli/cli_harness.hpp"

#include "sprite/display_options.hpp"
#include "sprite/exports.hpp"
#include "sprite/slp_builder.hpp"
#include "support/archive_fixture.hpp"
#include "support/test_support.hpp"
#include "surface/bmp_writer.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::UniformFrame;

using test::Call;
using test::Lines;
using test::Names;
using test::Outcome;

// Two frames holding every layer: palette and player colours, shadow, both outlines, skips and
// margins; the second frame is smaller and anchored elsewhere.
std::vector<std::uint8_t> SpriteBytes() {
  test::FrameSpec first =
      UniformFrame(9, 3, {0x04, 9, 0x0E, 1, 0x1B, 0x4E, 0x6E, 0x05, 0x0F}, 4, 2);
  first.rows[1].left = 2;
  first.rows[1].right = 1;
  return test::BuildSLP({first, UniformFrame(3, 2, {0x37, 20, 0x0F}, 0, 0)}).bytes;
}

class CliSprite : public ::testing::Test {
protected:
  void SetUp() override {
    // The sprite of an archive is read from the archive's bytes; pointing the temporary folder
    // into the test's own folder shows any copy a call would still leave there.
    const char *old = std::getenv("TMPDIR");
    oldTmp_ = old ? std::optional<std::string>(old) : std::nullopt;
    fs::create_directory(dir_.file("tmp"));
    test::SetEnv("TMPDIR", dir_.file("tmp"));
    slp_ = write("walk.slp", SpriteBytes());
    archive_ = write("sprites.drs",
                     BuildArchive({{test::Tag(" pls"), {{-5, {1, 2, 3}}, {300, SpriteBytes()}}},
                                   {test::Tag(" vaw"), {{301, {9, 9}}}}}));
  }
  void TearDown() override {
    if (oldTmp_)
      test::SetEnv("TMPDIR", *oldTmp_);
    else
      test::UnsetEnv("TMPDIR");
  }

  std::string write(const std::string &name, const std::vector<std::uint8_t> &bytes) {
    test::WriteFile(dir_.file(name), bytes);
    return dir_.file(name);
  }
  std::string out(const std::string &name) const { return dir_.file("out/" + name); }
  void makeOut() const { fs::create_directory(dir_.file("out")); }
  std::vector<std::string> outNames() const { return Names(dir_.file("out")); }

  test::TempDir dir_;
  std::optional<std::string> oldTmp_;
  std::string slp_, archive_;
};

// ----- frame -----

TEST_F(CliSprite, FrameWritesWhatSaveAsBmpWrites) {
  makeOut();
  const Outcome o = Call({"frame", "--slp", slp_, "-o", out("f.bmp")});
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.out, "");
  SaveFrameBMP(slp_, 1, DefaultPalette(), DisplayOptions{}, dir_.file("expected.bmp"));
  EXPECT_EQ(test::ReadFile(out("f.bmp")), test::ReadFile(dir_.file("expected.bmp")));
}

TEST_F(CliSprite, FrameFromAnArchiveEqualsTheLooseSpriteAndLeavesNoCopy) {
  makeOut();
  ASSERT_EQ(Call({"frame", "--slp", slp_, "--frame", "2", "-o", out("loose.bmp")}).code, 0);
  const Outcome o = Call({"frame", archive_, "300", "--frame", "2", "-o", out("packed.bmp")});
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(test::ReadFile(out("packed.bmp")), test::ReadFile(out("loose.bmp")));
  EXPECT_TRUE(Names(dir_.file("tmp")).empty());
}

TEST_F(CliSprite, FrameColoursAndPalette) {
  // Row 0: palette 9, player, shadow, inner outline, outer outline, transparent, then undrawn.
  std::string pal = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    pal += std::to_string(i) + " 1 2\r\n";
  test::WriteText(dir_.file("p.pal"), pal);
  makeOut();
  const Outcome o =
      Call({"frame", "--slp", slp_, "-o", out("c.bmp"), "--mask", "7f0000", "--shadow", "#00FF00",
            "--inner", "aBcDeF", "--outer", "#010203", "--palette", dir_.file("p.pal")});
  ASSERT_EQ(o.code, 0) << o.err;
  DisplayOptions options;
  options.maskColour = RGB(0x7F, 0, 0);
  options.shadowColour = RGB(0, 0xFF, 0);
  options.innerOutlineColour = RGB(0xAB, 0xCD, 0xEF);
  options.outerOutlineColour = RGB(1, 2, 3);
  PaletteTable palette{};
  for (unsigned i = 0; i < 256; ++i)
    palette[i] = RGB(i, 1, 2);
  cDIBSection expected;
  RenderFrame(slp_, 1, palette, options, expected);
  EXPECT_EQ(expected.GetPixel(5, 0), 0x00007Fu); // red 0x7F sits in the low byte
  EXPECT_EQ(expected.GetPixel(0, 0), RGB(9, 1, 2));
  EXPECT_EQ(test::ReadFile(out("c.bmp")), BmpFileBytes(expected));
}

TEST_F(CliSprite, BadColoursAreWrongWords) {
  for (const std::string word :
       {"12345", "1234567", "#12345g", "0x1234", "##123456", "", "12 456", "-12345"}) {
    SCOPED_TRACE(word);
    const Outcome o = Call({"frame", "--slp", slp_, "-o", out("x.bmp"), "--shadow", word});
    test::ExpectWrongWords(o, "--shadow");
  }
  EXPECT_FALSE(fs::exists(dir_.file("out")));
}

TEST_F(CliSprite, FrameNumberOutsideTheSpriteIsWrongWords) {
  makeOut();
  for (const std::string n : {"0", "3", "-1"}) {
    SCOPED_TRACE(n);
    const Outcome o = Call({"frame", "--slp", slp_, "--frame", n, "-o", out("x.bmp")});
    test::ExpectWrongWords(o, "from 1 to 2");
  }
  test::ExpectWrongWords(Call({"frame", "--slp", slp_, "--frame", "two", "-o", out("x.bmp")}),
                         "--frame");
  EXPECT_TRUE(outNames().empty());
}

TEST_F(CliSprite, SpriteWordsMustNameOneSprite) {
  struct Case {
    std::vector<std::string> words;
    const char *message;
  };
  const Case cases[] = {
      {{}, "either as ARCHIVE ID or with --slp FILE"},
      {{archive_, "300", "--slp", slp_}, "either as ARCHIVE ID or with --slp FILE"},
      {{archive_}, "ID is missing"},
      {{archive_, "3x"}, "decimal"},
      {{archive_, "999"}, "no resource with identifier 999"},
      {{archive_, "300", "--force"}, "--force"},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = {"frame"};
    args.insert(args.end(), c.words.begin(), c.words.end());
    args.insert(args.end(), {"-o", out("x.bmp")});
    SCOPED_TRACE(c.message);
    test::ExpectWrongWords(Call(args), c.message);
  }
}

TEST_F(CliSprite, UnreadableInputsFailWithTheWindowsMessage) {
  makeOut();
  auto bad = test::ReadFile(archive_);
  bad[0] = 'X';
  const std::string badArchive = write("bad.drs", bad);
  test::WriteText(dir_.file("notpal.pal"), "RIFF");
  struct Case {
    std::vector<std::string> args;
    const char *message;
    const char *detail;
  };
  const Case cases[] = {
      {{"frame", "--slp", dir_.file("none.slp")}, "Error reading sprite file!", "none.slp"},
      {{"frame", archive_, "-5"}, "Error reading sprite file!", "shorter than a sprite header"},
      {{"frame", badArchive, "300"}, "Error reading from DRS file!", "bad.drs"},
      {{"frame", "--slp", slp_, "--palette", dir_.file("notpal.pal")},
       "Not valid palette file!",
       ""},
      {{"frame", "--slp", slp_, "--palette", dir_.file("none.pal")},
       "Error opening palette file!",
       "none.pal"},
      {{"sequence", "--slp", dir_.file("none.slp")}, "Error reading sprite file!", "none.slp"},
      {{"slx", archive_, "-5"}, "Error reading sprite file!", "shorter than a sprite header"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.message);
    auto args = c.args;
    args.insert(args.end(), {"-o", out("x.bmp")});
    const Outcome o = Call(args);
    EXPECT_EQ(o.code, 1);
    const auto lines = Lines(o.err);
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0], c.message);
    if (*c.detail) {
      ASSERT_GE(lines.size(), 2u);
      EXPECT_NE(lines[1].find(c.detail), std::string::npos) << lines[1];
    }
  }
  EXPECT_TRUE(outNames().empty());
  EXPECT_TRUE(Names(dir_.file("tmp")).empty());
}

// The private copy of an archive's sprite is gone when the message is read; the message names
// the entry in the archive instead.
TEST_F(CliSprite, SpriteErrorsNameTheArchiveEntryNotItsCopy) {
  auto bytes = SpriteBytes();
  test::SetI32(bytes, test::FrameRecordOffset(2) + test::kCommandTableField, -40);
  const std::string broken = write(
      "broken.drs",
      BuildArchive({{test::Tag(" pls"), {{7, bytes}}}, {test::Tag(" vaw"), {{301, {9, 9}}}}}));
  makeOut();
  struct Case {
    std::vector<std::string> args;
    std::string detail;
  };
  const Case cases[] = {
      {{"frame", broken, "301"}, "resource 301 of " + broken + " is 2 bytes long"},
      {{"sequence", broken, "301"}, "resource 301 of " + broken},
      {{"slx", broken, "301"}, "resource 301 of " + broken},
      {{"frame", broken, "7", "--frame", "2"}, "frame in resource 7 of " + broken},
      {{"sequence", broken, "7"}, "frame in resource 7 of " + broken},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[2]);
    auto args = c.args;
    args.insert(args.end(), {"-o", out("x.bmp")});
    const Outcome o = Call(args);
    test::ExpectFailure(o, "Error reading sprite file!", c.detail);
    EXPECT_EQ(o.err.find("tessary-cli-"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find(".slp"), std::string::npos) << o.err;
  }
  EXPECT_TRUE(outNames().empty());
  EXPECT_TRUE(Names(dir_.file("tmp")).empty());
}

// A sprite of an archive is read out of the archive's own bytes: no temporary folder is needed,
// and what is written equals what the loose sprite gives.
TEST_F(CliSprite, ArchiveSpritesNeedNoTemporaryFolder) {
  test::SetEnv("TMPDIR", "/nonexistent");
  struct Case {
    std::string call, output;
  };
  const Case cases[] = {{"frame", "f.bmp"}, {"sequence", "s.bmp"}, {"slx", "x.slx"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.call);
    fs::create_directories(dir_.file("loose"));
    fs::create_directories(dir_.file("packed"));
    const Outcome loose = Call({c.call, "--slp", slp_, "-o", dir_.file("loose/" + c.output)});
    ASSERT_EQ(loose.code, 0) << loose.err;
    const Outcome packed = Call({c.call, archive_, "300", "-o", dir_.file("packed/" + c.output)});
    ASSERT_EQ(packed.code, 0) << packed.err;
    const auto names = Names(dir_.file("loose"));
    EXPECT_EQ(Names(dir_.file("packed")), names);
    for (const auto &name : names)
      EXPECT_EQ(test::ReadFile(dir_.file("packed/" + name)),
                test::ReadFile(dir_.file("loose/" + name)))
          << name;
    fs::remove_all(dir_.file("loose"));
    fs::remove_all(dir_.file("packed"));
  }
}

// The archive's table says where the sprite lies; a range past the archive's end is the
// archive's fault, said as such, and nothing is written.
TEST_F(CliSprite, SpriteRangePastTheArchiveEndIsAReadError) {
  auto archiveWithCutSprite = BuildArchive({{test::Tag(" pls"), {{300, SpriteBytes()}}}});
  archiveWithCutSprite.resize(archiveWithCutSprite.size() - 1);
  const std::string cutSprite = write("cutsprite.drs", archiveWithCutSprite);
  makeOut();
  for (const std::string call : {"frame", "sequence", "slx"}) {
    SCOPED_TRACE(call);
    test::ExpectFailure(Call({call, cutSprite, "300", "-o", out("x.bmp")}),
                        "Error reading from DRS file!", "lies past the end of " + cutSprite);
  }
  EXPECT_TRUE(outNames().empty());
}

TEST_F(CliSprite, UnwritableOutputFailsAndLeavesNothing) {
  for (const std::string call : {"frame", "sequence", "slx"}) {
    SCOPED_TRACE(call);
    test::ExpectFailure(Call({call, "--slp", slp_, "-o", dir_.file("missing/x.bmp")}),
                        "Error saving file!", "missing/x");
  }
  EXPECT_FALSE(fs::exists(dir_.file("missing")));
  EXPECT_TRUE(Names(dir_.file("tmp")).empty());
}

// ----- sequence -----

TEST_F(CliSprite, SequenceWritesWhatTheWindowWrites) {
  makeOut();
  const Outcome o = Call({"sequence", archive_, "300", "-o", out("walk.bmp"), "--mask", "102030"});
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(outNames(), (std::vector<std::string>{"walk001.bmp", "walk002.bmp"}));
  fs::create_directory(dir_.file("expected"));
  DisplayOptions options;
  options.maskColour = RGB(0x10, 0x20, 0x30);
  ExportImageSequence(slp_, dir_.file("expected/walk"), DefaultPalette(), options);
  for (const std::string name : {"walk001.bmp", "walk002.bmp"})
    EXPECT_EQ(test::ReadFile(out(name)), test::ReadFile(dir_.file("expected/" + name))) << name;
  EXPECT_TRUE(Names(dir_.file("tmp")).empty());
}

TEST_F(CliSprite, FailedSequenceLeavesNoFile) {
  auto bytes = SpriteBytes();
  test::SetI32(bytes, test::FrameRecordOffset(2) + test::kCommandTableField, -40);
  const std::string broken = write("broken.slp", bytes);
  makeOut();
  for (const std::string call : {"sequence", "slx"}) {
    SCOPED_TRACE(call);
    test::ExpectFailure(Call({call, "--slp", broken, "-o", out("walk.bmp")}),
                        "Error reading sprite file!", "broken.slp");
  }
  EXPECT_TRUE(outNames().empty());
}

// ----- slx -----

TEST_F(CliSprite, SlxWritesWhatTheWindowWrites) {
  makeOut();
  const Outcome o = Call({"slx", "--slp", slp_, "-o", out("walk.slx")});
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(outNames(), (std::vector<std::string>{"walk.slx", "walk1c.bmp", "walk1d.bmp",
                                                  "walk2c.bmp", "walk2d.bmp"}));
  fs::create_directory(dir_.file("expected"));
  ExportSLX(slp_, dir_.file("expected/walk"), DefaultPalette());
  for (const auto &name : outNames())
    EXPECT_EQ(test::ReadFile(out(name)), test::ReadFile(dir_.file("expected/" + name))) << name;
  const auto index = test::ReadFile(out("walk.slx"));
  EXPECT_EQ(
      std::string(index.begin(), index.end()),
      "SLX 0.5\r\n2\r\n4,2\r\nwalk1d.bmp\r\nwalk1c.bmp\r\n0,0\r\nwalk2d.bmp\r\nwalk2c.bmp\r\n");
}

TEST_F(CliSprite, SlxTakesAPaletteButNoDisplayColours) {
  test::ExpectWrongWords(Call({"slx", "--slp", slp_, "-o", out("walk.slx"), "--mask", "000000"}),
                         "--mask");
}

TEST_F(CliSprite, HelpListsTheSpriteCalls) {
  const Outcome o = Call({"--help"});
  EXPECT_EQ(o.code, 0);
  for (const char *call : {"frame", "sequence", "slx"})
    EXPECT_NE(o.out.find(call), std::string::npos) << call;
}

} // namespace
} // namespace tessary
