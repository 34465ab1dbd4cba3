#include "cli/cli_harness.hpp"

#include "common/bounded_reader.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_encoder.hpp"
#include "sprite/slp_loader.hpp"
#include "sprite/slx_reader.hpp"
#include "support/test_support.hpp"
#include "surface/bmp_reader.hpp"
#include "surface/dib_section.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace tessary {
namespace {

namespace fs = std::filesystem;

using test::Call;
using test::Lines;
using test::Outcome;

// A palette file whose entry i is (i, 255 - i, 7): nothing like the default palette.
std::string JascText(Colour &entry5) {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    text += std::to_string(i) + " " + std::to_string(255 - i) + " 7\r\n";
  entry5 = RGB(5, 250, 7);
  return text;
}

class CliEncode : public ::testing::Test {
protected:
  // One frame of 3 x 2 pixels: image and layer map as the decoder would leave them.
  void writeSlx(const std::vector<Colour> &image, const std::vector<Colour> &layer) {
    saveBitmap("walk1c.bmp", image);
    saveBitmap("walk1d.bmp", layer);
    test::WriteText(dir_.file("walk.slx"), "SLX 0.5\r\n1\r\n4,-2\r\nwalk1d.bmp\r\nwalk1c.bmp\r\n");
  }
  void writeGoodSlx() {
    const PaletteTable p = DefaultPalette();
    writeSlx({p[7], p[7], kKeyMagenta, kShadowRed, kKeyMagenta, p[20]},
             {kMapWhite, kMapWhite, kMapBlue, kShadowRed, kKeyMagenta, kMapGreen});
  }
  void saveBitmap(const std::string &name, const std::vector<Colour> &pixels) {
    cDIBSection surface;
    ASSERT_TRUE(surface.Create(3, 2));
    for (std::int32_t i = 0; i < 6; ++i)
      surface.SetPixel(i % 3, i / 3, pixels[i]);
    surface.SavePicture(dir_.file(name));
  }

  // Exit 1 with the message first and a line saying what was wrong; the output is left as it
  // was (here: absent or holding its earlier bytes).
  void expectFailure(const std::vector<std::string> &args, const std::string &message,
                     const std::string &detailPart) {
    test::ExpectFailure(Call(args), message, detailPart);
  }

  test::TempDir dir_;
};

TEST_F(CliEncode, WritesTheSpriteThatDecodesToTheBitmaps) {
  writeGoodSlx();
  const std::string out = dir_.file("walk.slp");
  const Outcome outcome = Call({"encode", dir_.file("walk.slx"), "-o", out});
  ASSERT_EQ(outcome.code, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(test::ReadFile(out), EncodeSLP(ReadSLX(dir_.file("walk.slx")), DefaultPalette()));

  const SLPFile sprite = LoadSLPInfo(out);
  ASSERT_EQ(sprite.frameCount(), 1);
  EXPECT_EQ(sprite.frame(1).hotspotX, 4);
  EXPECT_EQ(sprite.frame(1).hotspotY, -2);
  cDIBSection image, layer;
  DecodeSLPFrame(sprite, sprite.frame(1), DefaultPalette(), image, layer);
  EXPECT_EQ(image.GetPixel(2, 1), DefaultPalette()[20]);
  EXPECT_EQ(layer.GetPixel(2, 1), kMapGreen);
  EXPECT_EQ(layer.GetPixel(2, 0), kMapBlue);
}

TEST_F(CliEncode, PaletteOptionMapsColoursThroughThatPalette) {
  Colour entry5 = 0;
  test::WriteText(dir_.file("warm.pal"), JascText(entry5));
  const PaletteTable standard = DefaultPalette();
  ASSERT_EQ(std::find(standard.begin(), standard.end(), entry5), standard.end());
  writeSlx({entry5, entry5, entry5, entry5, entry5, entry5},
           {kMapWhite, kMapWhite, kMapWhite, kMapWhite, kMapWhite, kMapWhite});
  const std::string out = dir_.file("warm.slp");
  expectFailure({"encode", dir_.file("walk.slx"), "-o", out}, kEncodeErrorText,
                "frame 1, x 0, y 0");
  EXPECT_FALSE(fs::exists(out));

  const Outcome outcome =
      Call({"encode", dir_.file("walk.slx"), "-o", out, "--palette", dir_.file("warm.pal")});
  ASSERT_EQ(outcome.code, 0) << outcome.err;
  const SLPFile sprite = LoadSLPInfo(out);
  const auto &row = sprite.bytes;
  // Every row is one fill of entry 5.
  const std::int32_t first = LoadI32(row.data() + sprite.frame(1).commandTableOffset);
  EXPECT_EQ(row[first], 0x37);
  EXPECT_EQ(row[first + 1], 5);
}

TEST_F(CliEncode, FailuresLeaveTheOutputAlone) {
  writeGoodSlx();
  const std::string out = dir_.file("kept.slp");
  test::WriteText(out, "earlier sprite");
  const std::string slx = dir_.file("walk.slx");

  expectFailure({"encode", dir_.file("none.slx"), "-o", out}, kSLXReadErrorText, "none.slx");
  test::WriteText(dir_.file("bad.slx"), "SLX 0.4\r\n");
  expectFailure({"encode", dir_.file("bad.slx"), "-o", out}, kSLXReadErrorText, "SLX 0.4");
  test::WriteText(dir_.file("notpal.pal"), "hello");
  expectFailure({"encode", slx, "-o", out, "--palette", dir_.file("notpal.pal")},
                "Not valid palette file!", "hello");
  expectFailure({"encode", slx, "-o", dir_.file("missing/x.slp")}, "Error saving file!",
                "missing/x.slp");

  test::WriteText(dir_.file("walk1c.bmp"), "not a bitmap");
  expectFailure({"encode", slx, "-o", out}, kBitmapReadErrorText, "walk1c.bmp");

  writeSlx({0x000000, 0x111111, 0, 0, 0, 0}, {0x000000, kMapWhite, 0, 0, 0, 0});
  expectFailure({"encode", slx, "-o", out}, kEncodeErrorText, "frame 1, x 0, y 0");

  const auto kept = test::ReadFile(out);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "earlier sprite");
  EXPECT_FALSE(fs::exists(dir_.file("missing")));
}

TEST_F(CliEncode, WrongWordsExitWithTwo) {
  writeGoodSlx();
  const std::string slx = dir_.file("walk.slx");
  for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
           {"encode"},
           {"encode", slx},
           {"encode", "-o", dir_.file("x.slp")},
           {"encode", slx, "-o", dir_.file("x.slp"), "extra"},
           {"encode", slx, "-o", dir_.file("x.slp"), "--frame", "2"},
       }) {
    const Outcome outcome = Call(args);
    EXPECT_EQ(outcome.code, 2) << args.size() << ": " << outcome.err;
    EXPECT_NE(outcome.err.find("--help"), std::string::npos) << outcome.err;
  }
  EXPECT_FALSE(fs::exists(dir_.file("x.slp")));
}

TEST_F(CliEncode, HelpListsTheCall) {
  const Outcome outcome = Call({"--help"});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_NE(outcome.out.find("encode"), std::string::npos) << outcome.out;
}

} // namespace
} // namespace tessary
