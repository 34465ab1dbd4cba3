// --player on every call that draws frames: the player pixels in that player's ramp of the
// default palette, everything else as before.
#include "cli/cli_harness.hpp"

#include "cli/picture_options.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_builder.hpp"
#include "support/picture_decode.hpp"
#include "support/test_support.hpp"
#include "surface/bmp_reader.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::Outcome;

// One row of a player copy (indexes 3 and 250), a player fill (5), a short player span of ramp
// entry 3 and one of entry 0, then one colour pixel (9); two rows, hotspot inside the frame.
std::vector<std::uint8_t> PlayerSpriteBytes() {
  return test::BuildSLP({test::UniformFrame(
                            8, 2, {0x26, 3, 250, 0x2A, 5, 0x3E, 2, 0x0E, 1, 0x04, 9, 0x0F}, 3, 1)})
      .bytes;
}

// The default palette entry of each pixel for player P (1..8), whose ramp starts at 16 x P.
std::array<unsigned, 8> Entries(unsigned player) {
  const unsigned ramp = 16 * player;
  return {(ramp + 3) & 255u, (ramp + 250) & 255u, ramp + 5, ramp + 5, ramp + 3, ramp + 3, ramp, 9};
}

std::array<std::uint8_t, 3> Rgb(Colour c) {
  return {static_cast<std::uint8_t>(RedOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
          static_cast<std::uint8_t>(BlueOf(c))};
}

class CliPlayer : public ::testing::Test {
protected:
  void SetUp() override { test::WriteFile(slp(), PlayerSpriteBytes()); }
  std::string slp() const { return dir_.file("walk.slp"); }
  std::string file(const std::string &name) const { return dir_.file(name); }

  // Runs the call with --player P (none when player is 0) and expects success.
  void run(std::vector<std::string> args, unsigned player) const {
    if (player != 0) {
      args.push_back("--player");
      args.push_back(std::to_string(player));
    }
    const Outcome o = Call(args);
    ASSERT_EQ(o.code, 0) << o.err;
  }

  test::TempDir dir_;
};

// The default palette's ramps must tell the players apart at every entry the fixture uses, or
// the checks below could not see a wrong ramp.
TEST_F(CliPlayer, TheDefaultRampsDifferAtEveryEntryUsed) {
  const PaletteTable palette = DefaultPalette();
  for (std::size_t x = 0; x < 7; ++x) {
    std::set<Colour> seen;
    for (unsigned p = 1; p <= 8; ++p)
      seen.insert(palette[Entries(p)[x]]);
    EXPECT_EQ(seen.size(), 8u) << "pixel " << x;
  }
}

TEST_F(CliPlayer, FrameAndSequenceDrawEachPlayersRamp) {
  const PaletteTable palette = DefaultPalette();
  for (unsigned p = 1; p <= 8; ++p) {
    SCOPED_TRACE("player " + std::to_string(p));
    const std::string tag = std::to_string(p);
    run({"frame", "--slp", slp(), "-o", file("f" + tag + ".bmp")}, p);
    run({"frame", "--slp", slp(), "-o", file("f" + tag + ".png")}, p);
    run({"sequence", "--slp", slp(), "-o", file("s" + tag + "_.bmp")}, p);
    run({"sequence", "--slp", slp(), "-o", file("s" + tag + "_.png")}, p);
    const BmpImage frameBmp = ReadBMP(file("f" + tag + ".bmp"));
    const BmpImage sequenceBmp = ReadBMP(file("s" + tag + "_001.bmp"));
    const test::DecodedPng framePng = test::DecodePng(test::ReadFile(file("f" + tag + ".png")));
    const test::DecodedPng sequencePng =
        test::DecodePng(test::ReadFile(file("s" + tag + "_001.png")));
    ASSERT_TRUE(framePng.ok && sequencePng.ok);
    ASSERT_EQ(frameBmp.width, 8);
    ASSERT_EQ(sequenceBmp.width, 8);
    ASSERT_EQ(framePng.image.width, 8);
    ASSERT_EQ(sequencePng.image.width, 8);
    for (std::int32_t y = 0; y < 2; ++y)
      for (std::int32_t x = 0; x < 8; ++x) {
        SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
        const Colour colour = palette[Entries(p)[static_cast<std::size_t>(x)]];
        const auto [r, g, b] = Rgb(colour);
        const std::array<std::uint8_t, 4> opaque = {r, g, b, 255};
        EXPECT_EQ(frameBmp.at(x, y), colour);
        EXPECT_EQ(sequenceBmp.at(x, y), colour);
        EXPECT_EQ(test::PixelAt(framePng.image, x, y), opaque);
        EXPECT_EQ(test::PixelAt(sequencePng.image, x, y), opaque);
      }
  }
}

TEST_F(CliPlayer, SheetNamesItsPlayerAndDrawsItsRamp) {
  const PaletteTable palette = DefaultPalette();
  for (unsigned p = 1; p <= 8; ++p) {
    SCOPED_TRACE("player " + std::to_string(p));
    const std::string name = file("sheet" + std::to_string(p) + ".png");
    run({"sheet", "--slp", slp(), "-o", name}, p);
    const auto json =
        nlohmann::json::parse(test::ReadFile(file("sheet" + std::to_string(p) + ".json")));
    EXPECT_EQ(json.at("player"), p);
    const test::DecodedPng png = test::DecodePng(test::ReadFile(name));
    ASSERT_TRUE(png.ok);
    ASSERT_EQ(png.image.width, 8);
    for (std::int32_t x = 0; x < 8; ++x) {
      const auto [r, g, b] = Rgb(palette[Entries(p)[static_cast<std::size_t>(x)]]);
      EXPECT_EQ(test::PixelAt(png.image, x, 1), (std::array<std::uint8_t, 4>{r, g, b, 255}))
          << "pixel " << x;
    }
  }
}

TEST_F(CliPlayer, AnimationFramesDrawEachPlayersRamp) {
  const PaletteTable palette = DefaultPalette();
  for (unsigned p = 1; p <= 8; ++p) {
    SCOPED_TRACE("player " + std::to_string(p));
    const std::string name = file("anim" + std::to_string(p) + ".gif");
    run({"anim", "--slp", slp(), "-o", name}, p);
    const test::DecodedGif gif = test::DecodeGif(test::ReadFile(name));
    ASSERT_EQ(gif.frames.size(), 1u);
    const test::DecodedGifFrame &frame = gif.frames[0];
    ASSERT_EQ(frame.width, 8);
    ASSERT_EQ(frame.height, 2);
    for (std::int32_t x = 0; x < 8; ++x) {
      const std::uint8_t index = frame.indexes[static_cast<std::size_t>(8 + x)];
      ASSERT_LT(index, frame.colours.size());
      EXPECT_EQ(frame.colours[index], Rgb(palette[Entries(p)[static_cast<std::size_t>(x)]]))
          << "pixel " << x;
    }
  }
}

// Without --player every file is player 1's, byte for byte.
TEST_F(CliPlayer, NoPlayerIsPlayerOne) {
  const std::vector<std::vector<std::string>> calls = {{"frame", "--slp", slp(), "-o", "{}.bmp"},
                                                       {"frame", "--slp", slp(), "-o", "{}.png"},
                                                       {"sequence", "--slp", slp(), "-o", "{}.bmp"},
                                                       {"sheet", "--slp", slp(), "-o", "{}.png"},
                                                       {"anim", "--slp", slp(), "-o", "{}.gif"}};
  int k = 0;
  for (std::vector<std::string> call : calls) {
    SCOPED_TRACE(call[0] + " " + call.back());
    const std::string extension = call.back().substr(2);
    const std::string stem = file("c" + std::to_string(k++));
    call.back() = stem + "-none" + extension;
    run(call, 0);
    call.back() = stem + "-one" + extension;
    run(call, 1);
    const bool sequence = call[0] == "sequence";
    EXPECT_EQ(test::ReadFile(stem + "-none" + (sequence ? "001" : "") + extension),
              test::ReadFile(stem + "-one" + (sequence ? "001" : "") + extension));
  }
}

TEST_F(CliPlayer, APlayerOutsideOneToEightIsAWrongCall) {
  const char *words[] = {"0", "9", "-1", "10", "x", "", "1.5", "+2", "2x", "99999999999"};
  const char *calls[] = {"frame", "sequence", "sheet", "anim"};
  for (const char *call : calls)
    for (const char *word : words) {
      SCOPED_TRACE(std::string(call) + " --player \"" + word + "\"");
      const std::string output = file(std::string("out.") + (call[0] == 'a' ? "gif" : "png"));
      test::ExpectWrongWords(Call({call, "--slp", slp(), "-o", output, "--player", word}),
                             "--player");
      EXPECT_FALSE(fs::exists(output));
    }
}

TEST(PlayerWord, ReadsOneToEightAsTheIndexFromZero) {
  struct Case {
    std::optional<std::string> word;
    std::int16_t index;
  };
  const Case cases[] = {{std::nullopt, 0}, {"1", 0}, {"2", 1}, {"8", 7}, {"08", 7}, {"5", 4}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.word.value_or("(none)"));
    EXPECT_EQ(cli::ParsePlayer(c.word), c.index);
    cli::ColourWords words;
    words.player = c.word;
    EXPECT_EQ(cli::ChosenOptions(words).playerIndex, c.index);
  }
}

} // namespace
} // namespace tessary
