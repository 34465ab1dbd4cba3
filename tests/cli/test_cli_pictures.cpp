#include "cli/cli_harness.hpp"

#include "palette/palette.hpp"
#include "sprite/animation.hpp"
#include "sprite/display_options.hpp"
#include "sprite/exports.hpp"
#include "sprite/rgba.hpp"
#include "sprite/sheet.hpp"
#include "sprite/slp_builder.hpp"
#include "support/picture_decode.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::Names;
using test::Outcome;
using test::UniformFrame;

// Two frames holding every layer, anchored differently, and a third without pixels.
std::vector<std::uint8_t> SpriteBytes() {
  test::FrameSpec first =
      UniformFrame(9, 3, {0x04, 9, 0x0E, 1, 0x1B, 0x4E, 0x6E, 0x05, 0x0F}, 4, 2);
  first.rows[1].left = 2;
  return test::BuildSLP({first, UniformFrame(3, 2, {0x37, 20, 0x0F}, 0, 0), UniformFrame(0, 0, {})})
      .bytes;
}

class CliPictures : public ::testing::Test {
protected:
  void SetUp() override {
    test::WriteFile(dir_.file("walk.slp"), SpriteBytes());
    sprite_ = ParseSLP(SpriteBytes(), "walk.slp");
    fs::create_directory(dir_.file("out"));
  }
  std::string slp() const { return dir_.file("walk.slp"); }
  std::string out(const std::string &name) const { return dir_.file("out/" + name); }
  std::vector<std::string> outNames() const { return Names(dir_.file("out")); }

  // What the frame's PNG must decode to.
  RgbaImage expectedPicture(std::int32_t n) const {
    RgbaImage rgba = RenderFrameRgba(sprite_, n, DefaultPalette(), DisplayOptions{});
    return rgba.empty() ? RgbaImage(1, 1) : rgba;
  }

  test::TempDir dir_;
  SLPFile sprite_;
};

TEST_F(CliPictures, FrameFormatFollowsTheWordOrElseTheName) {
  struct Case {
    const char *name;
    std::vector<std::string> format;
    bool png;
  };
  const Case cases[] = {
      {"f.png", {}, true},
      {"f.PNG", {}, true},
      {"f.pNg", {}, true},
      {"f.bmp", {}, false},
      {"f", {}, false},
      {"f.png.bmp", {}, false},
      {"f.gif", {}, false},
      {"f.png", {"--format", "bmp"}, false},
      {"f.bmp", {"--format", "png"}, true},
  };
  fs::create_directory(dir_.file("expected"));
  SaveFrameBMP(sprite_, 2, DefaultPalette(), DisplayOptions{}, dir_.file("expected/f.bmp"));
  const std::vector<std::uint8_t> bmp = test::ReadFile(dir_.file("expected/f.bmp"));
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.format.empty() ? "" : " " + c.format[1]));
    fs::remove_all(dir_.file("out"));
    fs::create_directory(dir_.file("out"));
    std::vector<std::string> args = {"frame", "--slp", slp(), "--frame", "2", "-o", out(c.name)};
    args.insert(args.end(), c.format.begin(), c.format.end());
    const Outcome o = Call(args);
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(outNames(), std::vector<std::string>{c.name});
    const std::vector<std::uint8_t> written = test::ReadFile(out(c.name));
    if (!c.png) {
      EXPECT_EQ(written, bmp) << "BMP output must stay what the window writes";
      continue;
    }
    const test::DecodedPng png = test::DecodePng(written);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.image.width, 3);
    EXPECT_EQ(png.image.pixels, expectedPicture(2).pixels);
  }
}

TEST_F(CliPictures, FramePngHoldsTheFramesPixelsAndAnEmptyFrameIsOnePixel) {
  for (std::int32_t n : {1, 3}) {
    SCOPED_TRACE(n);
    const std::string name = out("f" + std::to_string(n) + ".png");
    ASSERT_EQ(Call({"frame", "--slp", slp(), "--frame", std::to_string(n), "-o", name}).code, 0);
    const test::DecodedPng png = test::DecodePng(test::ReadFile(name));
    ASSERT_TRUE(png.ok);
    const RgbaImage expected = expectedPicture(n);
    EXPECT_EQ(png.image.width, expected.width);
    EXPECT_EQ(png.image.height, expected.height);
    EXPECT_EQ(png.image.pixels, expected.pixels);
  }
}

TEST_F(CliPictures, PngSequenceNamesItsFilesBaseNumberPng) {
  struct Case {
    std::vector<std::string> args;
  };
  const Case cases[] = {{{"-o", "{O}/walk.png"}},
                        {{"-o", "{O}/walk.PNG"}},
                        {{"-o", "{O}/walk.bmp", "--format", "png"}}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[1]);
    fs::remove_all(dir_.file("out"));
    fs::create_directory(dir_.file("out"));
    std::vector<std::string> args = {"sequence", "--slp", slp()};
    for (std::string word : c.args) {
      if (word.starts_with("{O}"))
        word = dir_.file("out") + word.substr(3);
      args.push_back(word);
    }
    const Outcome o = Call(args);
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(outNames(), (std::vector<std::string>{"walk001.png", "walk002.png", "walk003.png"}));
  }
  // The files are those of the core's export.
  fs::create_directory(dir_.file("expected"));
  ExportImageSequencePNG(sprite_, dir_.file("expected/walk"), DefaultPalette(), DisplayOptions{});
  for (const std::string name : {"walk001.png", "walk002.png", "walk003.png"})
    EXPECT_EQ(test::ReadFile(out(name)), test::ReadFile(dir_.file("expected/" + name))) << name;
}

TEST_F(CliPictures, BmpSequenceStaysAsBefore) {
  ASSERT_EQ(Call({"sequence", "--slp", slp(), "-o", out("walk.bmp"), "--format", "bmp"}).code, 0);
  EXPECT_EQ(outNames(), (std::vector<std::string>{"walk001.bmp", "walk002.bmp", "walk003.bmp"}));
  fs::create_directory(dir_.file("expected"));
  ExportImageSequence(sprite_, dir_.file("expected/walk"), DefaultPalette(), DisplayOptions{});
  for (const std::string name : {"walk001.bmp", "walk002.bmp", "walk003.bmp"})
    EXPECT_EQ(test::ReadFile(out(name)), test::ReadFile(dir_.file("expected/" + name))) << name;
}

TEST_F(CliPictures, WrongPictureWordsAreRefusedBeforeAnythingIsWritten) {
  struct Case {
    std::vector<std::string> args;
    const char *part;
  };
  const Case cases[] = {
      {{"frame", "-o", "{O}/f.png", "--format", "gif"}, "--format"},
      {{"frame", "-o", "{O}/f.png", "--format", "PNG"}, "--format"},
      {{"frame", "-o", "{O}/f.png", "--format", ""}, "--format"},
      {{"frame", "-o", "{O}/f.png", "--mask", "000000"}, "--mask"},
      {{"frame", "-o", "{O}/f.bmp", "--format", "png", "--shadow", "7f7f7f"}, "--shadow"},
      {{"sequence", "-o", "{O}/w.png", "--inner", "0000ff"}, "--inner"},
      {{"sequence", "-o", "{O}/w.bmp", "--format", "png", "--outer", "ffff00"}, "--outer"},
      {{"sequence", "-o", "{O}/w.png", "--format", "jpg"}, "--format"},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = {c.args[0], "--slp", slp()};
    std::string trace;
    for (std::size_t i = 1; i < c.args.size(); ++i) {
      std::string word = c.args[i];
      trace += " " + word;
      if (word.starts_with("{O}"))
        word = dir_.file("out") + word.substr(3);
      args.push_back(word);
    }
    SCOPED_TRACE(c.args[0] + trace);
    test::ExpectWrongWords(Call(args), c.part);
    EXPECT_TRUE(outNames().empty());
  }
}

TEST_F(CliPictures, ColoursStillGoWithBmpOutput) {
  ASSERT_EQ(
      Call({"frame", "--slp", slp(), "-o", out("f.png"), "--format", "bmp", "--mask", "102030"})
          .code,
      0);
  DisplayOptions options;
  options.maskColour = RGB(0x10, 0x20, 0x30);
  SaveFrameBMP(sprite_, 1, DefaultPalette(), options, dir_.file("expected.bmp"));
  EXPECT_EQ(test::ReadFile(out("f.png")), test::ReadFile(dir_.file("expected.bmp")));
}

// ----- sheet -----

TEST_F(CliPictures, SheetWritesThePictureAndItsJson) {
  const Outcome o = Call({"sheet", "--slp", slp(), "-o", out("walk.png")});
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(outNames(), (std::vector<std::string>{"walk.json", "walk.png"}));
  fs::create_directory(dir_.file("expected"));
  ExportSheet(sprite_, dir_.file("expected/walk.png"), DefaultPalette(), DisplayOptions{});
  for (const std::string name : {"walk.png", "walk.json"})
    EXPECT_EQ(test::ReadFile(out(name)), test::ReadFile(dir_.file("expected/" + name))) << name;
}

TEST_F(CliPictures, SheetTooWideFailsAndLeavesNothing) {
  test::WriteFile(dir_.file("wide.slp"),
                  test::BuildSLP({UniformFrame(32767, 1, {0x0F}), UniformFrame(32767, 1, {0x0F}),
                                  UniformFrame(2, 1, {0x0F})})
                      .bytes);
  test::ExpectFailure(Call({"sheet", "--slp", dir_.file("wide.slp"), "-o", out("w.png")}),
                      "Error saving file!", "65536 pixels wide");
  EXPECT_TRUE(outNames().empty());
}

// ----- anim -----

TEST_F(CliPictures, AnimWritesTheCoresAnimation) {
  struct Case {
    std::vector<std::string> words;
    std::int32_t fps;
    Colour shadow;
  };
  const Case cases[] = {{{}, 10, RGB(0x7F, 0x7F, 0x7F)},
                        {{"--fps", "3", "--shadow", "#102030"}, 3, RGB(0x10, 0x20, 0x30)},
                        {{"--fps", "50"}, 50, RGB(0x7F, 0x7F, 0x7F)}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fps);
    std::vector<std::string> args = {"anim", "--slp", slp(), "-o", out("walk.gif")};
    args.insert(args.end(), c.words.begin(), c.words.end());
    const Outcome o = Call(args);
    ASSERT_EQ(o.code, 0) << o.err;
    DisplayOptions options;
    options.shadowColour = c.shadow;
    EXPECT_EQ(test::ReadFile(out("walk.gif")),
              EncodeAnimation(sprite_, DefaultPalette(), options, c.fps));
    const test::DecodedGif gif = test::DecodeGif(test::ReadFile(out("walk.gif")));
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.frames.size(), 3u);
    EXPECT_EQ(gif.frames[0].delay, FrameDelayHundredths(c.fps));
  }
}

TEST_F(CliPictures, WrongAnimWordsAreRefused) {
  struct Case {
    std::vector<std::string> words;
    const char *part;
  };
  const Case cases[] = {
      {{"--fps", "0"}, "--fps"},           {{"--fps", "51"}, "--fps"},
      {{"--fps", "2.5"}, "--fps"},         {{"--fps", "fast"}, "--fps"},
      {{"--shadow", "12345"}, "--shadow"}, {{"--mask", "000000"}, "--mask"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.words[0] + " " + c.words[1]);
    std::vector<std::string> args = {"anim", "--slp", slp(), "-o", out("walk.gif")};
    args.insert(args.end(), c.words.begin(), c.words.end());
    test::ExpectWrongWords(Call(args), c.part);
    EXPECT_TRUE(outNames().empty());
  }
}

TEST_F(CliPictures, AnimFrameWithTooManyColoursFailsNamingIt) {
  std::vector<std::uint8_t> commands;
  for (int i = 0; i < 256; i += 64) {
    commands.push_back(static_cast<std::uint8_t>(0x02 | ((64 >> 8) << 4)));
    commands.push_back(64);
    for (int k = 0; k < 64; ++k)
      commands.push_back(static_cast<std::uint8_t>(i + k));
  }
  commands.push_back(0x0F);
  test::WriteFile(dir_.file("rich.slp"), test::BuildSLP({UniformFrame(2, 1, {0x08, 1, 2, 0x0F}),
                                                         UniformFrame(256, 1, commands)})
                                             .bytes);
  // A palette of 256 different colours: the built-in one repeats some.
  std::string pal = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    pal += std::to_string(i) + " 1 2\r\n";
  test::WriteText(dir_.file("p.pal"), pal);
  test::ExpectFailure(Call({"anim", "--slp", dir_.file("rich.slp"), "-o", out("r.gif"), "--palette",
                            dir_.file("p.pal")}),
                      "Error saving file!", "frame 2 of");
  EXPECT_TRUE(outNames().empty());
}

TEST_F(CliPictures, HelpListsTheNewCalls) {
  const Outcome o = Call({"--help"});
  EXPECT_EQ(o.code, 0);
  for (const char *call : {"sheet", "anim"})
    EXPECT_NE(o.out.find(call), std::string::npos) << call;
}

} // namespace
} // namespace tessary
