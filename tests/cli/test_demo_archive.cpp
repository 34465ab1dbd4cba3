#include "cli/cli_harness.hpp"

#include "common/bounded_reader.hpp"
#include "palette/palette.hpp"
#include "sprite/exports.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_encoder.hpp"
#include "sprite/slp_loader.hpp"
#include "sprite/slx_reader.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>

namespace tessary {
namespace {

namespace fs = std::filesystem;

const std::string kDemo = std::string(TESSARY_BINARY_DIR) + "/samples/demo.drs";

using test::Call;
using test::Lines;
using test::Outcome;

// Runs a shell command and returns what it printed; nullopt when it failed.
std::optional<std::string> Capture(const std::string &command) {
  std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe)
    return std::nullopt;
  std::string text;
  char buffer[256];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
    text.append(buffer, n);
  if (pclose(pipe.release()) != 0)
    return std::nullopt;
  return text;
}

bool HaveImageMagick() { return Capture("command -v identify >/dev/null 2>&1").has_value(); }

class DemoArchive : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(fs::exists(kDemo)) << kDemo << " was not generated"; }

  // The resource's bytes, copied out with the extract call.
  std::vector<std::uint8_t> extract(std::int32_t id) {
    const std::string path = dir_.file(std::to_string(id) + ".bin");
    const Outcome outcome = Call({"extract", kDemo, std::to_string(id), "-o", path});
    EXPECT_EQ(outcome.code, 0) << outcome.err;
    return test::ReadFile(path);
  }
  // The sprite identifiers, from the long listing's kind column.
  std::vector<std::int32_t> spriteIds() {
    const Outcome outcome = Call({"list", kDemo, "--long"});
    EXPECT_EQ(outcome.code, 0) << outcome.err;
    std::vector<std::int32_t> ids;
    for (const std::string &line : Lines(outcome.out)) {
      std::istringstream fields(line);
      std::string text, kind;
      std::getline(fields, text, '\t');
      std::getline(fields, kind, '\t');
      if (kind == "1")
        ids.push_back(std::stoi(text));
    }
    return ids;
  }

  test::TempDir dir_;
};

TEST_F(DemoArchive, ListsATableOfEveryKind) {
  const Outcome outcome = Call({"list", kDemo});
  ASSERT_EQ(outcome.code, 0) << outcome.err;
  EXPECT_EQ(Lines(outcome.out),
            (std::vector<std::string>{"--SLP (2)--", "1000", "1001", "--WAV (1)--", "5000",
                                      "--BIN (2)--", "50500", "50501", "--DCB (1)--", "60000"}));
}

// What each demo sprite must show: the unit walks through frames of different sizes and uses
// every layer; the building is large.
TEST_F(DemoArchive, SpritesUseEveryLayerAndVaryTheirFrames) {
  const SLPFile droid = ParseSLP(extract(1000), "1000.slp");
  ASSERT_GE(droid.frameCount(), 8);
  std::set<std::pair<std::int32_t, std::int32_t>> sizes, hotspots;
  std::set<Colour> codes;
  for (std::int32_t n = 1; n <= droid.frameCount(); ++n) {
    const SLPFrameInfo &frame = droid.frame(n);
    sizes.insert({frame.width, frame.height});
    hotspots.insert({frame.hotspotX, frame.hotspotY});
    cDIBSection image, layer;
    DecodeSLPFrame(droid, frame, DefaultPalette(), image, layer);
    for (std::int32_t y = 0; y < frame.height; ++y)
      for (std::int32_t x = 0; x < frame.width; ++x)
        codes.insert(layer.GetPixel(x, y));
  }
  EXPECT_GE(sizes.size(), 3u);
  EXPECT_GE(hotspots.size(), 3u);
  EXPECT_EQ(codes, (std::set<Colour>{kKeyMagenta, kMapWhite, kMapGreen, kShadowRed, kMapBlue,
                                     kMapYellow}));

  const SLPFile post = ParseSLP(extract(1001), "1001.slp");
  EXPECT_EQ(post.frame(1).width, 200);
  EXPECT_EQ(post.frame(1).height, 150);
}

// Every frame saved by the frame call is a BMP of the frame's size, in its header and to
// an independent reader.
TEST_F(DemoArchive, EveryFrameSavesAsABitmapOfItsSize) {
  const bool imageMagick = HaveImageMagick();
  std::size_t frames = 0;
  for (const std::int32_t id : spriteIds()) {
    const SLPFile sprite = ParseSLP(extract(id), std::to_string(id) + ".slp");
    for (std::int32_t n = 1; n <= sprite.frameCount(); ++n, ++frames) {
      SCOPED_TRACE(std::to_string(id) + " frame " + std::to_string(n));
      const std::string bmp = dir_.file("x.bmp");
      const Outcome outcome =
          Call({"frame", kDemo, std::to_string(id), "--frame", std::to_string(n), "-o", bmp});
      ASSERT_EQ(outcome.code, 0) << outcome.err;
      const std::int32_t width = sprite.frame(n).width, height = sprite.frame(n).height;
      const std::int32_t stride = (width * 3 + 3) & ~3;
      const auto bytes = test::ReadFile(bmp);
      ASSERT_EQ(bytes.size(), 54u + static_cast<std::size_t>(stride) * height);
      EXPECT_EQ(bytes[0], 'B');
      EXPECT_EQ(bytes[1], 'M');
      EXPECT_EQ(LoadI32(bytes.data() + 2), static_cast<std::int32_t>(bytes.size()));
      EXPECT_EQ(LoadI32(bytes.data() + 10), 54);
      EXPECT_EQ(LoadI32(bytes.data() + 14), 40);
      EXPECT_EQ(LoadI32(bytes.data() + 18), width);
      EXPECT_EQ(LoadI32(bytes.data() + 22), height);
      EXPECT_EQ(LoadI16(bytes.data() + 26), 1);
      EXPECT_EQ(LoadI16(bytes.data() + 28), 24);
      EXPECT_EQ(LoadI32(bytes.data() + 30), 0);
      EXPECT_EQ(LoadI32(bytes.data() + 34), stride * height);
      if (imageMagick) {
        EXPECT_EQ(Capture("identify -format \"%w %h\" '" + bmp + "' 2>/dev/null"),
                  std::to_string(width) + " " + std::to_string(height));
      }
    }
  }
  EXPECT_EQ(frames, 8u + 2u);
  if (!imageMagick)
    GTEST_SKIP() << "ImageMagick's identify is not installed: headers checked, no outside reader";
}

TEST_F(DemoArchive, SoundIsAPcmWaveOfAboutAThirdOfASecond) {
  const auto wav = extract(5000);
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(LoadI32(wav.data() + 4), static_cast<std::int32_t>(wav.size()) - 8);
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(LoadI32(wav.data() + 16), 16);
  EXPECT_EQ(LoadI16(wav.data() + 20), 1); // PCM
  const std::int32_t channels = LoadI16(wav.data() + 22);
  const std::int32_t rate = LoadI32(wav.data() + 24);
  const std::int32_t bits = LoadI16(wav.data() + 34);
  EXPECT_EQ(LoadI32(wav.data() + 28), rate * channels * bits / 8);
  EXPECT_EQ(LoadI16(wav.data() + 32), channels * bits / 8);
  EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
  const std::int32_t dataSize = LoadI32(wav.data() + 40);
  EXPECT_EQ(static_cast<std::size_t>(dataSize) + 44, wav.size());
  const double seconds = static_cast<double>(dataSize) / (rate * channels * bits / 8);
  EXPECT_NEAR(seconds, 0.3, 0.01);
}

TEST_F(DemoArchive, PaletteEntryLoadsAndLooksNothingLikeTheDefault) {
  const auto bytes = extract(50500);
  const std::string path = dir_.file("sepia.pal");
  test::WriteFile(path, bytes);
  PaletteTable sepia = DefaultPalette();
  LoadPalette(sepia, path);
  const PaletteTable standard = DefaultPalette();
  int differing = 0;
  for (int i = 0; i < 256; ++i)
    differing += sepia[i] != standard[i];
  EXPECT_GT(differing, 200);
}

TEST_F(DemoArchive, ReadmeCarriesTheCharactersRichTextEscapes) {
  const auto bytes = extract(50501);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find('\\'), std::string::npos);
  EXPECT_NE(text.find('{'), std::string::npos);
  EXPECT_NE(text.find('}'), std::string::npos);
}

// The demo sprites are drawn through the encoder; exporting them, encoding the export and
// exporting again gives the same files.
TEST_F(DemoArchive, SpritesSurviveExportAndEncoding) {
  for (const std::int32_t id : spriteIds()) {
    SCOPED_TRACE(id);
    const std::string name = std::to_string(id);
    fs::create_directories(dir_.path() / name / "first");
    fs::create_directories(dir_.path() / name / "second");
    test::WriteFile(dir_.file(name + "/a.slp"), extract(id));
    ExportSLX(dir_.file(name + "/a.slp"), dir_.file(name + "/first/s"), DefaultPalette());
    const Outcome outcome =
        Call({"encode", dir_.file(name + "/first/s.slx"), "-o", dir_.file(name + "/b.slp")});
    ASSERT_EQ(outcome.code, 0) << outcome.err;
    ExportSLX(dir_.file(name + "/b.slp"), dir_.file(name + "/second/s"), DefaultPalette());
    for (const auto &entry : fs::directory_iterator(dir_.path() / name / "first"))
      EXPECT_EQ(test::ReadFile(entry.path().string()),
                test::ReadFile((dir_.path() / name / "second" / entry.path().filename()).string()))
          << entry.path().filename();
  }
}

} // namespace
} // namespace tessary
