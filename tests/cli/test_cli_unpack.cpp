#include "cli/cli_harness.hpp"

#include "palette/palette.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_loader.hpp"
#include "support/test_support.hpp"
#include "surface/dib_section.hpp"
#include "surface/png_reader.hpp"
#include "surface/png_sample_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace tessary {
namespace {

namespace fs = std::filesystem;

using test::Call;
using test::Outcome;

const std::string kDemo = std::string(TESSARY_BINARY_DIR) + "/samples/demo.drs";
constexpr const char *kDemoSprites[] = {"1000", "1001"};

using Bytes = std::vector<std::uint8_t>;

// A small loose sprite: a 3 x 2 frame of colours 1 2 3 over player entries 16 17 and a
// shadow pixel, and a frame without pixels.
Bytes SmallSprite() {
  Bytes b = {'2', '.', '0', 'N', 2, 0, 0, 0};
  b.resize(32 + 64, 0);
  const auto put32 = [&b](std::size_t at, std::int32_t v) {
    for (int k = 0; k < 4; ++k)
      b[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
  };
  const std::int32_t edges = 96, offsets = 104, row0 = 112, row1 = 117;
  const Bytes rows = {0x0C, 1, 2, 3, 0x0F, 0x26, 0, 1, 0x1B, 0x0F};
  b.resize(static_cast<std::size_t>(row0), 0);
  b.insert(b.end(), rows.begin(), rows.end());
  put32(32 + 0, offsets);
  put32(32 + 4, edges);
  put32(32 + 16, 3);
  put32(32 + 20, 2);
  put32(static_cast<std::size_t>(offsets), row0);
  put32(static_cast<std::size_t>(offsets + 4), row1);
  put32(64 + 4, edges); // the second frame: 0 x 0, its tables anywhere inside
  put32(64 + 0, offsets);
  return b;
}

bool SameDecode(const SLPFile &a, const SLPFile &b) {
  if (a.frameCount() != b.frameCount())
    return false;
  for (std::int32_t n = 1; n <= a.frameCount(); ++n) {
    cDIBSection ia, ma, ib, mb;
    DecodeSLPFrame(a, a.frame(n), DefaultPalette(), ia, ma);
    DecodeSLPFrame(b, b.frame(n), DefaultPalette(), ib, mb);
    const auto same = [](const cDIBSection &x, const cDIBSection &y) {
      return x.Width() == y.Width() && x.Height() == y.Height() &&
             (x.BitsSize() == 0 ||
              Bytes(x.Bits(), x.Bits() + x.BitsSize()) == Bytes(y.Bits(), y.Bits() + y.BitsSize()));
    };
    if (!same(ia, ib) || !same(ma, mb))
      return false;
  }
  return true;
}

class CliUnpack : public ::testing::Test {
protected:
  std::string sprite() {
    const std::string path = dir_.file("small.slp");
    test::WriteFile(path, SmallSprite());
    return path;
  }
  test::TempDir dir_;
};

TEST_F(CliUnpack, DemoSpritesComeBackThroughTheirFolders) {
  ASSERT_TRUE(fs::exists(kDemo)) << kDemo << " was not generated";
  for (const char *id : kDemoSprites) {
    SCOPED_TRACE(id);
    const std::string folder = dir_.file(std::string("unpacked-") + id);
    const std::string original = dir_.file(std::string(id) + ".slp");
    const std::string again = dir_.file(std::string(id) + "-again.slp");
    ASSERT_EQ(Call({"extract", kDemo, id, "-o", original}).code, 0);
    const Outcome unpacked = Call({"unpack", kDemo, id, "-o", folder});
    ASSERT_EQ(unpacked.code, 0) << unpacked.err;
    EXPECT_EQ(unpacked.out + unpacked.err, "");
    const Outcome encoded = Call({"encode", folder + "/sprite.json", "-o", again});
    ASSERT_EQ(encoded.code, 0) << encoded.err;
    EXPECT_TRUE(SameDecode(LoadSLPInfo(original), LoadSLPInfo(again)));
  }
}

TEST_F(CliUnpack, WritesTheIndexAndTwoPicturesPerFrameWithPixels) {
  const std::string folder = dir_.file("out/deeper");
  const Outcome outcome = Call({"unpack", "--slp", sprite(), "-o", folder});
  ASSERT_EQ(outcome.code, 0) << outcome.err;
  EXPECT_EQ(test::Names(folder),
            (std::vector<std::string>{"001.layers.png", "001.png", "sprite.json"}));
  const PngSamples picture =
      ReadOneSamplePNG(test::ReadFile(folder + "/001.png"), "001.png", ErrorKind::BitmapRead);
  const PngSamples layers = ReadOneSamplePNG(test::ReadFile(folder + "/001.layers.png"),
                                             "001.layers.png", ErrorKind::BitmapRead);
  EXPECT_EQ(picture.samples, (Bytes{1, 2, 3, 16, 17, 0}));
  EXPECT_EQ(layers.samples, (Bytes{1, 1, 1, 2, 2, 3}));
}

TEST_F(CliUnpack, EncodeTakesTheEditedPicture) {
  const std::string folder = dir_.file("edit");
  ASSERT_EQ(Call({"unpack", "--slp", sprite(), "-o", folder}).code, 0);
  test::WriteFile(folder + "/001.png",
                  EncodeIndexedPNG(3, 2, Bytes{1, 99, 3, 16, 17, 0}, DefaultPalette()));
  const std::string out = dir_.file("edited.slp");
  const Outcome outcome = Call({"encode", folder + "/sprite.json", "-o", out});
  ASSERT_EQ(outcome.code, 0) << outcome.err;
  const SLPFile edited = LoadSLPInfo(out);
  cDIBSection image, map;
  DecodeSLPFrame(edited, edited.frame(1), DefaultPalette(), image, map);
  EXPECT_EQ(image.GetPixel(1, 0), DefaultPalette()[99]);
  EXPECT_EQ(edited.frame(2).width, 0);
}

TEST_F(CliUnpack, AFailedUnpackLeavesNoFolderBehind) {
  const std::string broken = dir_.file("broken.slp");
  Bytes bytes = SmallSprite();
  bytes[32 + 4] = 0xF0; // the first frame's row-edge table now lies far outside the file
  test::WriteFile(broken, bytes);
  const std::string folder = dir_.file("new/folder");
  test::ExpectFailure(Call({"unpack", "--slp", broken, "-o", folder}), kSpriteErrorText,
                      "row-edge table");
  EXPECT_FALSE(fs::exists(dir_.file("new")));
}

TEST_F(CliUnpack, ARefusedFolderWritesNoSprite) {
  const std::string folder = dir_.file("bad");
  ASSERT_EQ(Call({"unpack", "--slp", sprite(), "-o", folder}).code, 0);
  test::WriteFile(folder + "/001.layers.png", EncodeGreyPNG(3, 2, Bytes{1, 1, 7, 2, 2, 3}));
  const std::string out = dir_.file("bad.slp");
  test::ExpectFailure(Call({"encode", folder + "/sprite.json", "-o", out}), kEncodeErrorText,
                      "frame 1, x 2, y 0: layer 7");
  EXPECT_FALSE(fs::exists(out));

  fs::remove(folder + "/001.png");
  test::ExpectFailure(Call({"encode", folder + "/sprite.json", "-o", out}), kBitmapReadErrorText,
                      "frame 1's picture 001.png");
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(CliUnpack, NoCallWritesOntoWhatItReads) {
  const std::string folder = dir_.file("self");
  ASSERT_EQ(Call({"unpack", "--slp", sprite(), "-o", folder}).code, 0);
  const Bytes picture = test::ReadFile(folder + "/001.png");
  const Bytes index = test::ReadFile(folder + "/sprite.json");
  for (const std::string target : {"/001.png", "/001.layers.png", "/sprite.json"}) {
    SCOPED_TRACE(target);
    const Outcome outcome = Call({"encode", folder + "/sprite.json", "-o", folder + target});
    EXPECT_EQ(outcome.code, 1) << outcome.err;
  }
  EXPECT_EQ(test::ReadFile(folder + "/001.png"), picture);
  EXPECT_EQ(test::ReadFile(folder + "/sprite.json"), index);

  // An unpack into the folder that holds the sprite under one of the names it writes.
  const std::string inside = dir_.file("inside");
  fs::create_directory(inside);
  fs::copy_file(sprite(), inside + "/001.png");
  const Outcome outcome = Call({"unpack", "--slp", inside + "/001.png", "-o", inside});
  EXPECT_EQ(outcome.code, 1) << outcome.err;
  EXPECT_EQ(test::ReadFile(inside + "/001.png"), SmallSprite());
  EXPECT_EQ(test::Names(inside), std::vector<std::string>{"001.png"});
}

} // namespace
} // namespace tessary
