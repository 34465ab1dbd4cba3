#include "cli/cli_harness.hpp"

#include "archive/drs_writer.hpp"
#include "cli/cli.hpp"
#include "cli/render_all.hpp"
#include "common/paths.hpp"
#include "sprite/slp_builder.hpp"
#include "support/picture_decode.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::Lines;
using test::Names;
using test::UniformFrame;

// True when `line` is "COUNTS in T s", T a whole number of seconds with two decimals.
bool IsSummary(const std::string &line, const std::string &counts) {
  const std::string head = counts + " in ";
  if (!line.starts_with(head) || !line.ends_with(" s"))
    return false;
  const std::string seconds = line.substr(head.size(), line.size() - head.size() - 2);
  const std::size_t dot = seconds.find('.');
  if (dot == std::string::npos || dot == 0 || seconds.size() - dot != 3)
    return false;
  for (std::size_t i = 0; i < seconds.size(); ++i)
    if (i != dot && (seconds[i] < '0' || seconds[i] > '9'))
      return false;
  return true;
}

// Every layer, a row ending early, frames of different sizes and hotspots, and an empty frame.
std::vector<std::uint8_t> WalkSprite() {
  test::FrameSpec first =
      UniformFrame(9, 3, {0x04, 9, 0x0E, 1, 0x1B, 0x4E, 0x6E, 0x05, 0x0F}, 4, 2);
  first.rows[1].left = 2;
  test::FrameSpec early = UniformFrame(6, 2, {0x08, 3, 200, 0x0F}, 1, 1);
  early.rows[0].commands = {0x08, 3, 200}; // no end byte: the row's tail stays undrawn
  return test::BuildSLP({first, UniformFrame(3, 2, {0x37, 20, 0x0F}), UniformFrame(0, 0, {}), early,
                         UniformFrame(5, 1, {0x2A, 7, 0x0F})})
      .bytes;
}

// Two frames of palette copies and player fills.
std::vector<std::uint8_t> FlagSprite() {
  return test::BuildSLP({UniformFrame(4, 4, {0x10, 1, 2, 3, 4, 0x0F}, 2, 4),
                         UniformFrame(7, 2, {0x46, 1, 2, 3, 4, 0x3B, 0x0F}, 3, 2)})
      .bytes;
}

// A frame whose row-edge table lies past the sprite's end: it cannot be decoded.
std::vector<std::uint8_t> BrokenSprite() {
  test::BuiltSLP built = test::BuildSLP(
      {UniformFrame(4, 2, {0x10, 1, 2, 3, 4, 0x0F}), UniformFrame(4, 2, {0x10, 1, 2, 3, 4, 0x0F})});
  test::SetI32(built.bytes, test::FrameRecordOffset(2) + test::kOutlineTableField, 1 << 20);
  return built.bytes;
}

// Sprite 10 twice, a broken sprite 11 in the middle, sprite 12, and a sound that is no sprite.
std::vector<std::uint8_t> ArchiveBytes() {
  return BuildArchive(
      {{kSpriteTag,
        {{10, WalkSprite()}, {11, BrokenSprite()}, {10, FlagSprite()}, {12, FlagSprite()}}},
       {kSoundTag, {{10, {'R', 'I', 'F', 'F'}}}}});
}

class CliRenderAll : public ::testing::Test {
protected:
  void SetUp() override {
    test::WriteFile(archive(), ArchiveBytes());
    test::WriteFile(dir_.file("flag.slp"), FlagSprite());
  }
  std::string archive() const { return dir_.file("game.drs"); }
  std::string out(const std::string &name = {}) const {
    return dir_.file("out") + (name.empty() ? "" : "/" + name);
  }

  // What `frame` writes for one frame, named ARCHIVE ID or with --slp.
  std::vector<std::uint8_t> frameBytes(std::vector<std::string> sprite, int n,
                                       const std::string &format) {
    const std::string file = dir_.file("frame." + format);
    std::vector<std::string> args = {"frame"};
    args.insert(args.end(), sprite.begin(), sprite.end());
    args.insert(args.end(), {"--frame", std::to_string(n), "--format", format, "-o", file});
    const auto outcome = Call(args);
    EXPECT_EQ(outcome.code, 0) << outcome.err;
    return test::ReadFile(file);
  }

  // Each frame of each rendered sprite holds the very bytes `frame` writes for it.
  void expectSameAsFrame(const std::string &format) {
    const std::string ext = "." + format;
    const std::vector<std::pair<std::string, std::vector<std::string>>> sprites = {
        {"10", {archive(), "10"}},
        {"10-2", {"--slp", dir_.file("flag.slp")}},
        {"12", {archive(), "12"}}};
    const std::vector<int> frameCounts = {5, 2, 2};
    EXPECT_EQ(Names(out()), (std::vector<std::string>{"10", "10-2", "12"}));
    for (std::size_t s = 0; s < sprites.size(); ++s) {
      SCOPED_TRACE(sprites[s].first);
      std::vector<std::string> expected;
      for (int n = 1; n <= frameCounts[s]; ++n)
        expected.push_back(PadNumber(n) + ext);
      ASSERT_EQ(Names(out(sprites[s].first)), expected);
      for (int n = 1; n <= frameCounts[s]; ++n)
        EXPECT_EQ(test::ReadFile(out(sprites[s].first + "/" + PadNumber(n) + ext)),
                  frameBytes(sprites[s].second, n, format))
            << "frame " << n;
    }
  }

  test::TempDir dir_;
};

TEST_F(CliRenderAll, EveryFrameIsTheFrameCallsBytesWhateverTheJobsAndBrokenSpritesAreSkipped) {
  struct Case {
    const char *format;
    const char *jobs;
  };
  for (const Case c : {Case{"png", "1"}, Case{"png", "3"}, Case{"bmp", "1"}, Case{"bmp", "3"}}) {
    SCOPED_TRACE(std::string(c.format) + " with --jobs " + c.jobs);
    fs::remove_all(out());
    const auto outcome =
        Call({"render-all", archive(), "-o", out(), "--format", c.format, "--jobs", c.jobs});
    EXPECT_EQ(outcome.code, 1) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    const auto lines = Lines(outcome.err);
    ASSERT_EQ(lines.size(), 2u) << outcome.err;
    EXPECT_NE(lines[0].find("skipped resource 11 of " + archive()), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("frame 2"), std::string::npos) << lines[0];
    EXPECT_TRUE(IsSummary(lines[1], "3 sprites, 9 frames, 1 skipped")) << lines[1];
    expectSameAsFrame(c.format);
  }
}

TEST_F(CliRenderAll, WritesPngByDefaultAndExitsZeroWhenNothingIsSkipped) {
  const std::string good = dir_.file("good.drs");
  test::WriteFile(good, BuildArchive({{kSpriteTag, {{7, FlagSprite()}, {-3, WalkSprite()}}}}));
  const auto outcome = Call({"render-all", good, "-o", out("deep/er")});
  EXPECT_EQ(outcome.code, 0) << outcome.err;
  EXPECT_TRUE(
      outcome.err.ends_with("\n") &&
      IsSummary(outcome.err.substr(0, outcome.err.size() - 1), "2 sprites, 7 frames, 0 skipped"))
      << outcome.err;
  EXPECT_EQ(Names(out("deep/er")), (std::vector<std::string>{"-3", "7"}));
  EXPECT_EQ(Names(out("deep/er/7")), (std::vector<std::string>{"001.png", "002.png"}));
  const test::DecodedPng png = test::DecodePng(test::ReadFile(out("deep/er/-3/003.png")));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.image.width, 1); // a frame without pixels
}

// Frames shared out among the workers a few at a time give the same files as whole sprites.
TEST_F(CliRenderAll, ASpriteSplitAmongWorkersGivesTheSameFiles) {
  std::vector<test::FrameSpec> frames;
  for (int n = 0; n < 12; ++n)
    frames.push_back(UniformFrame(20 + n, 10 + n,
                                  {0x10, static_cast<std::uint8_t>(n), 2, 3, 4, 0x2B, 0x0F}, n, 1));
  const std::string big = dir_.file("big.drs");
  test::WriteFile(
      big, BuildArchive({{kSpriteTag, {{5, test::BuildSLP(frames).bytes}, {6, BrokenSprite()}}}}));
  for (const std::int64_t piece : {std::int64_t{1}, std::int64_t{600}, std::int64_t{1} << 20}) {
    SCOPED_TRACE(piece);
    fs::remove_all(out());
    cli::RenderAllSettings settings;
    settings.archive = big;
    settings.folder = out();
    settings.jobs = 3;
    settings.palette = DefaultPalette();
    settings.piecePixels = piece;
    std::ostringstream err;
    const cli::RenderAllSummary summary = cli::RenderAll(settings, err);
    EXPECT_EQ(summary.sprites, 1);
    EXPECT_EQ(summary.frames, 12);
    EXPECT_EQ(summary.skipped, 1);
    EXPECT_EQ(Names(out()), std::vector<std::string>{"5"});
    for (int n = 1; n <= 12; ++n)
      EXPECT_EQ(test::ReadFile(out("5/" + PadNumber(n) + ".png")), frameBytes({big, "5"}, n, "png"))
          << "frame " << n;
  }
}

TEST_F(CliRenderAll, ProgressIsDrawnOnATerminalOnly) {
  struct Case {
    const char *call;
    int code;
    const char *finalLine; // the progress line at its end
    const char *counts;    // the counts of the summary left last, or none: the line cleared
  };
  const Case cases[] = {
      // Every frame of the archive, the broken sprite's too, counts towards the total.
      {"render-all", 1, "\r\x1b[K11 / 11 frames", "3 sprites, 9 frames, 1 skipped"},
      {"extract-all", 0, "\r\x1b[K5 / 5 entries", nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.call);
    std::ostringstream plainOut, plainErr, termOut, termErr;
    EXPECT_EQ(cli::Run({c.call, archive(), "-o", out("a")}, plainOut, plainErr), c.code);
    EXPECT_EQ(plainErr.str().find('\r'), std::string::npos) << plainErr.str();
    EXPECT_EQ(cli::Run({c.call, archive(), "-o", out("b")}, termOut, termErr, true), c.code);
    const std::string drawn = termErr.str();
    EXPECT_NE(drawn.find(c.finalLine), std::string::npos) << drawn;
    // The line is cleared before whatever follows it.
    std::string end = drawn;
    if (end.ends_with("\n"))
      end.pop_back();
    if (c.counts) {
      const std::size_t at = end.rfind(std::string(c.counts) + " in ");
      EXPECT_TRUE(at != std::string::npos && IsSummary(end.substr(at), c.counts)) << drawn;
    } else {
      EXPECT_TRUE(end.ends_with("\r\x1b[K")) << drawn;
    }
    fs::remove_all(out());
  }
  std::ostringstream o, e;
  cli::Run({"render-all", archive(), "-o", out()}, o, e, true);
  EXPECT_NE(e.str().find("\r\x1b[Kskipped resource 11"), std::string::npos) << e.str();
}

// A file that cannot be written ends the call, and every file and folder the call made goes;
// what was there before stays.
TEST_F(CliRenderAll, AFailedWriteRemovesThisCallsFiles) {
  fs::create_directories(out("12/002.png")); // a folder where sprite 12's second picture goes
  test::WriteFile(out("keep.txt"), {'k'});
  fs::create_directories(out("10-2"));
  test::WriteFile(out("10-2/001.png"), {'o', 'l', 'd'});
  for (const char *jobs : {"1", "2"}) {
    SCOPED_TRACE(jobs);
    const auto outcome = Call({"render-all", archive(), "-o", out(), "--jobs", jobs});
    test::ExpectFailure(outcome, "Error saving file!", "002.png");
    EXPECT_EQ(Names(out()), (std::vector<std::string>{"10-2", "12", "keep.txt"}));
    EXPECT_EQ(Names(out("12")), std::vector<std::string>{"002.png"});
    EXPECT_TRUE(Names(out("12/002.png")).empty());
    // A picture that replaced an older file of the same name is not this call's new file.
    EXPECT_EQ(Names(out("10-2")), (std::vector<std::string>{"001.png"}));
  }
}

TEST_F(CliRenderAll, WrongWordsAndUnreadableArchivesWriteNothing) {
  struct Case {
    std::vector<std::string> words;
    const char *message;
  };
  const Case wrongWords[] = {
      {{"--jobs", "0"}, "--jobs must be"},
      {{"--jobs", "many"}, "--jobs must be"},
      {{"--jobs", "-2"}, "--jobs"},
      {{"--format", "gif"}, "--format must be bmp or png"},
      {{"--mask", "ff00ff"}, "--mask goes only with BMP output"},
      {{"--format", "bmp", "--shadow", "12345"}, "--shadow must be a colour"},
      {{"--player", "9"}, "--player must be"},
  };
  for (const Case &c : wrongWords) {
    SCOPED_TRACE(c.words.front() + " " + c.words.back());
    std::vector<std::string> args = {"render-all", archive(), "-o", out()};
    args.insert(args.end(), c.words.begin(), c.words.end());
    test::ExpectWrongWords(Call(args), c.message);
    EXPECT_FALSE(fs::exists(out()));
  }
  test::WriteFile(dir_.file("junk.drs"), std::vector<std::uint8_t>(100, 'x'));
  test::ExpectFailure(Call({"render-all", dir_.file("junk.drs"), "-o", out()}),
                      "Error reading from DRS file!", "junk.drs");
  EXPECT_FALSE(fs::exists(out()));
}

TEST_F(CliRenderAll, NeverWritesOntoTheArchive) {
  // The archive itself stands where sprite 12's first picture would go.
  fs::create_directories(out("12"));
  fs::rename(archive(), out("12/001.png"));
  const auto outcome = Call({"render-all", out("12/001.png"), "-o", out()});
  test::ExpectFailure(outcome, "Error saving file!", "the open archive itself");
  EXPECT_EQ(Names(out()), std::vector<std::string>{"12"});
  EXPECT_EQ(test::ReadFile(out("12/001.png")), ArchiveBytes());
}

TEST_F(CliRenderAll, PlayerColoursReachEveryPicture) {
  const auto outcome =
      Call({"render-all", archive(), "-o", out(), "--player", "3", "--format", "bmp"});
  EXPECT_EQ(outcome.code, 1) << outcome.err;
  std::vector<std::string> args = {"frame",    archive(), "12", "--frame",          "2",
                                   "--player", "3",       "-o", dir_.file("p3.bmp")};
  ASSERT_EQ(Call(args).code, 0);
  EXPECT_EQ(test::ReadFile(out("12/002.bmp")), test::ReadFile(dir_.file("p3.bmp")));
  EXPECT_NE(test::ReadFile(out("12/002.bmp")), frameBytes({archive(), "12"}, 2, "bmp"));
}

} // namespace
} // namespace tessary
