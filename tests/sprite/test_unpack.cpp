#include "sprite/unpack.hpp"

#include "common/error.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_builder.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_encoder.hpp"
#include "sprite/slp_loader.hpp"
#include "sprite/unpack_folder.hpp"
#include "support/expect_error.hpp"
#include "support/test_support.hpp"
#include "surface/png_reader.hpp"
#include "surface/png_sample_writer.hpp"

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::FrameSpec;
using test::RowSpec;
using test::TestPalette;

std::vector<std::string> Names(const std::filesystem::path &folder) {
  std::vector<std::string> names;
  for (const auto &item : std::filesystem::directory_iterator(folder))
    names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// ---- Sprites that use every command --------------------------------------------------------

// Appends one well-formed command of a random kind, with counts in both the short and the long
// forms and every player-span nibble the format has.
void AppendRandomCommand(std::mt19937 &random, Bytes &out) {
  auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  auto byte = [&] { return static_cast<std::uint8_t>(random()); };
  auto put = [&](unsigned b) { out.push_back(static_cast<std::uint8_t>(b)); };
  switch (below(14)) {
  case 0: // short copy
  {
    const unsigned n = 1 + below(63);
    put(n << 2);
    for (unsigned k = 0; k < n; ++k)
      put(byte());
    break;
  }
  case 1: // long copy
  {
    const unsigned n = 1 + below(300);
    put(((n >> 8) << 4) | 0x02);
    put(n & 0xFF);
    for (unsigned k = 0; k < n; ++k)
      put(byte());
    break;
  }
  case 2: // short skip, in each of its four spellings
    put(((1 + below(63)) << 2) | 0x01);
    break;
  case 3: // long skip
  {
    const unsigned n = 1 + below(400);
    put(((n >> 8) << 4) | 0x03);
    put(n & 0xFF);
    break;
  }
  case 4: // fill, count in the nibble or in a byte
    if (below(2))
      put(((1 + below(15)) << 4) | 0x07);
    else
      put(0x07), put(1 + below(255));
    put(byte());
    break;
  case 5: // player copy
  {
    const unsigned n = 1 + below(40);
    if (n < 16)
      put((n << 4) | 0x06);
    else
      put(0x06), put(n);
    for (unsigned k = 0; k < n; ++k)
      put(byte());
    break;
  }
  case 6: // player fill, stored indexes 240 and up included
    if (below(2))
      put(((1 + below(15)) << 4) | 0x0A);
    else
      put(0x0A), put(1 + below(255));
    put(byte());
    break;
  case 7: // short player span (the nibbles the outline commands leave)
  {
    static const unsigned kNibbles[] = {0, 1, 2, 3, 8, 9, 10, 11, 12, 13, 14, 15};
    put((kNibbles[below(12)] << 4) | 0x0E);
    put(1 + below(30));
    break;
  }
  case 8: // shadow
    if (below(2))
      put(((1 + below(15)) << 4) | 0x0B);
    else
      put(0x0B), put(1 + below(255));
    break;
  case 9:
    put(0x4E); // one inner outline pixel
    break;
  case 10:
    put(0x5E), put(1 + below(20));
    break;
  case 11:
    put(0x6E); // one outer outline pixel
    break;
  case 12:
    put(0x7E), put(1 + below(20));
    break;
  default: // a command that draws nothing
    put(below(2) ? 0x00 : 0x01);
    break;
  }
}

// Frames whose rows hold random well-formed commands, random margins, empty rows, rows that
// stop before the right edge and rows that run past it, in frames of random sizes; the header
// and records carry values the viewer ignores.
test::BuiltSLP RandomCommandSprite(unsigned seed) {
  std::mt19937 random(seed);
  auto below = [&](unsigned n) { return static_cast<int>(random() % n); };
  std::vector<FrameSpec> specs;
  const int frames = 1 + below(4);
  for (int f = 0; f < frames; ++f) {
    FrameSpec frame;
    frame.width = 1 + below(90);
    frame.hotspotX = below(200) - 100;
    frame.hotspotY = below(200) - 100;
    const int height = 1 + below(12);
    for (int y = 0; y < height; ++y) {
      RowSpec row;
      const int kind = below(8);
      row.left = kind == 0 ? kEmptyRow : static_cast<std::int16_t>(below(frame.width / 2 + 1));
      row.right = static_cast<std::int16_t>(below(6));
      const int commands = kind == 1 ? 0 : below(8);
      for (int k = 0; k < commands; ++k)
        AppendRandomCommand(random, row.commands);
      row.commands.push_back(0x0F);
      frame.rows.push_back(std::move(row));
    }
    specs.push_back(std::move(frame));
  }
  test::BuiltSLP built = test::BuildSLP(specs);
  const char comment[] = "edited\x01\xE9\x80";
  std::memcpy(built.bytes.data() + 8, comment, sizeof comment - 1);
  for (int f = 0; f < frames; ++f) {
    test::SetI32(built.bytes, static_cast<std::size_t>(test::FrameRecordOffset(f + 1) + 8),
                 static_cast<std::int32_t>(random()));
    test::SetI32(built.bytes, static_cast<std::size_t>(test::FrameRecordOffset(f + 1) + 12),
                 static_cast<std::int32_t>(random()));
  }
  return built;
}

// ---- The round trip ----------------------------------------------------------------------

// Unpacks the sprite into a folder, reads the folder back and encodes it.
SLPFile ThroughFolder(const SLPFile &sprite, const test::TempDir &dir) {
  ExportUnpacked(sprite, dir.path().string(), DefaultPalette());
  return ParseSLP(EncodeSpritePlanes(ReadUnpackFolder(dir.file(kUnpackIndexName))), "again.slp");
}

// Both sprites decode to the same image and layer map, pixel for pixel, and keep the header
// and record values.
void ExpectSameSprite(const SLPFile &a, const SLPFile &b, const std::string &what) {
  ASSERT_EQ(a.frameCount(), b.frameCount()) << what;
  EXPECT_EQ(a.header.version, b.header.version) << what;
  EXPECT_EQ(a.header.comment, b.header.comment) << what;
  for (std::int32_t n = 1; n <= a.frameCount(); ++n) {
    const SLPFrameInfo &fa = a.frame(n);
    const SLPFrameInfo &fb = b.frame(n);
    const std::string where = what + ", frame " + std::to_string(n);
    EXPECT_EQ(fa.width, fb.width) << where;
    EXPECT_EQ(fa.height, fb.height) << where;
    EXPECT_EQ(fa.hotspotX, fb.hotspotX) << where;
    EXPECT_EQ(fa.hotspotY, fb.hotspotY) << where;
    EXPECT_EQ(fa.paletteOffset, fb.paletteOffset) << where;
    EXPECT_EQ(fa.properties, fb.properties) << where;
    if (fa.width <= 0 || fa.height <= 0)
      continue;
    const test::Decoded da = test::DecodeFrame(a, n);
    const test::Decoded db = test::DecodeFrame(b, n);
    EXPECT_EQ(test::Storage(da.image), test::Storage(db.image)) << where << ": image";
    EXPECT_EQ(test::Storage(da.map), test::Storage(db.map)) << where << ": layer map";
  }
}

TEST(UnpackRoundTrip, SpritesOfEveryCommandComeBackPixelForPixel) {
  for (unsigned seed = 1; seed <= 80; ++seed) {
    const SLPFile sprite = test::Parse(RandomCommandSprite(seed));
    test::TempDir dir;
    ExpectSameSprite(sprite, ThroughFolder(sprite, dir), "seed " + std::to_string(seed));
  }
}

// Streams of random bytes: unknown spellings, rows that never end, counts that run off the
// data, negative margins.
TEST(UnpackRoundTrip, SpritesOfRandomBytesComeBackPixelForPixel) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    const SLPFile sprite =
        test::Parse(test::RandomSprite(seed, 2, 5 + static_cast<std::int32_t>(seed % 40), 7));
    test::TempDir dir;
    ExpectSameSprite(sprite, ThroughFolder(sprite, dir), "seed " + std::to_string(seed));
  }
}

TEST(UnpackRoundTrip, FramesWithoutPixelsKeepTheirRecords) {
  std::vector<FrameSpec> specs(4);
  specs[0] = test::UniformFrame(3, 2, {0x17, 0x05, 0x0F}, 1, 2);
  specs[1].width = 0; // no columns, two rows
  specs[1].rows.assign(2, RowSpec{kEmptyRow, 0, {0x0F}});
  specs[2].width = -7; // a negative width over three rows
  specs[2].rows.assign(3, RowSpec{kEmptyRow, 0, {0x0F}});
  specs[2].hotspotX = 9;
  specs[3].width = 5; // no rows, a negative height
  specs[3].height = -4;
  const SLPFile sprite = test::Parse(test::BuildSLP(specs));
  test::TempDir dir;
  ExpectSameSprite(sprite, ThroughFolder(sprite, dir), "empty frames");
  EXPECT_EQ(Names(dir.path()),
            (std::vector<std::string>{"001.layers.png", "001.png", "sprite.json"}));
}

// ---- What the folder holds ---------------------------------------------------------------

struct ReadBack {
  PngSamples picture;
  PngSamples layers;
};

ReadBack ReadFrameFiles(const test::TempDir &dir, std::int32_t n) {
  const UnpackPictureNames names = UnpackPictureNamesOf(n);
  return {ReadOneSamplePNG(test::ReadFile(dir.file(names.picture)), names.picture,
                           ErrorKind::BitmapRead),
          ReadOneSamplePNG(test::ReadFile(dir.file(names.layers)), names.layers,
                           ErrorKind::BitmapRead)};
}

// The PLTE chunk's colours, read with libpng itself.
std::vector<Colour> PaletteOfFile(const Bytes &bytes) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  std::vector<Colour> colours;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    ADD_FAILURE() << image.message;
    return colours;
  }
  image.format = PNG_FORMAT_RGB_COLORMAP;
  std::vector<std::uint8_t> map(PNG_IMAGE_COLORMAP_SIZE(image));
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  EXPECT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, map.data()));
  for (std::size_t i = 0; i + 2 < map.size(); i += 3)
    colours.push_back(RGB(map[i], map[i + 1], map[i + 2]));
  return colours;
}

TEST(Unpack, EveryLayerHasItsValueAndEveryPixelItsIndex) {
  // One row of each kind of pixel: colour 5, player stored 3 and 250, shadow, inner, outer,
  // transparent, then two pixels no command reaches.
  const FrameSpec frame =
      test::UniformFrame(9, 1, {0x04, 5, 0x26, 3, 250, 0x1B, 0x4E, 0x6E, 0x05, 0x0F});
  auto built = test::BuildSLP({frame});
  const SLPFile sprite = test::Parse(built);
  test::TempDir dir;
  PaletteTable palette = TestPalette();
  palette[200] = palette[5]; // a repeated colour must not change the index kept
  ExportUnpacked(sprite, dir.path().string(), palette);
  const ReadBack files = ReadFrameFiles(dir, 1);
  EXPECT_EQ(files.picture.shape.colourType, kPngPalette);
  EXPECT_EQ(files.layers.shape.colourType, kPngGrey);
  EXPECT_EQ(files.picture.samples, (Bytes{5, 19, 10, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(files.layers.samples, (Bytes{1, 2, 2, 3, 4, 5, 0, 6, 6}));
  const std::vector<Colour> plte = PaletteOfFile(test::ReadFile(dir.file("001.png")));
  EXPECT_EQ(plte, std::vector<Colour>(palette.begin(), palette.end()));
}

TEST(Unpack, IndexKeepsTheHeaderAndRecordFields) {
  auto built = test::BuildSLP(
      {test::UniformFrame(2, 1, {0x08, 1, 2, 0x0F}, -3, 40), test::UniformFrame(0, 0, {})});
  const char header[] = "2.1P\x02\x00\x00\x00"
                        "Caf\xE9 \"q\"\x01";
  std::memcpy(built.bytes.data(), header, sizeof header - 1);
  test::SetI32(built.bytes, test::FrameRecordOffset(1) + 8, 1234);
  test::SetI32(built.bytes, test::FrameRecordOffset(1) + 12, -5);
  const SpritePlanes planes = UnpackSprite(test::Parse(built));
  EXPECT_EQ(UnpackIndexText(planes), R"({
 "version": "2.1P",
 "comment": "Café \"q\"\u0001",
 "frame_count": 2,
 "frames": [
  {
   "width": 2,
   "height": 1,
   "hotspot_x": -3,
   "hotspot_y": 40,
   "palette_offset": 1234,
   "properties": -5,
   "picture": "001.png",
   "layers": "001.layers.png"
  },
  {
   "width": 0,
   "height": 0,
   "hotspot_x": 0,
   "hotspot_y": 0,
   "palette_offset": 0,
   "properties": 0,
   "picture": null,
   "layers": null
  }
 ]
}
)");
  const UnpackIndex index = ParseUnpackIndex(UnpackIndexText(planes), "sprite.json");
  EXPECT_EQ(index.planes.version, planes.version);
  EXPECT_EQ(index.planes.comment, planes.comment);
}

TEST(Unpack, PictureNamesHaveAtLeastThreeDigits) {
  EXPECT_EQ(UnpackPictureNamesOf(7).picture, "007.png");
  EXPECT_EQ(UnpackPictureNamesOf(7).layers, "007.layers.png");
  EXPECT_EQ(UnpackPictureNamesOf(1234).picture, "1234.png");
}

TEST(Unpack, AFailedWriteLeavesNoFileBehind) {
  const SLPFile sprite = test::Parse(test::BuildSLP({test::UniformFrame(2, 1, {0x12, 9, 0x0F})}));
  test::TempDir dir;
  // The layers picture's name is taken by a folder, so the set cannot be written.
  std::filesystem::create_directory(dir.path() / "001.layers.png");
  test::ExpectError([&] { ExportUnpacked(sprite, dir.path().string(), TestPalette()); },
                    kSaveErrorText, "001.layers.png");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"001.layers.png"}));
}

// ---- Editing -------------------------------------------------------------------------------

TEST(Unpack, APixelEditedInThePictureChangesInTheSprite) {
  // Colour pixels 1 2 3 4, then player pixels stored 0 and 7.
  const SLPFile sprite =
      test::Parse(test::BuildSLP({test::UniformFrame(6, 2, {0x10, 1, 2, 3, 4, 0x26, 0, 7, 0x0F})}));
  test::TempDir dir;
  ExportUnpacked(sprite, dir.path().string(), TestPalette());
  ReadBack files = ReadFrameFiles(dir, 1);
  files.picture.samples[1 * 6 + 2] = 77; // colour pixel (2, 1)
  files.picture.samples[0 * 6 + 5] = 40; // player pixel (5, 0): stored 24, entry 40
  test::WriteFile(dir.file("001.png"),
                  EncodeIndexedPNG(6, 2, files.picture.samples, TestPalette()));

  const SLPFile edited =
      ParseSLP(EncodeSpritePlanes(ReadUnpackFolder(dir.file(kUnpackIndexName))), "edited.slp");
  const test::Decoded before = test::DecodeFrame(sprite);
  const test::Decoded after = test::DecodeFrame(edited);
  const PaletteTable palette = TestPalette();
  EXPECT_EQ(after.image.GetPixel(2, 1), palette[77]);
  EXPECT_EQ(after.map.GetPixel(2, 1), kMapWhite);
  EXPECT_EQ(after.image.GetPixel(5, 0), palette[40]);
  EXPECT_EQ(after.map.GetPixel(5, 0), kMapGreen);
  for (std::int32_t y = 0; y < 2; ++y) {
    for (std::int32_t x = 0; x < 6; ++x) {
      if (!(x == 2 && y == 1) && !(x == 5 && y == 0)) {
        EXPECT_EQ(after.image.GetPixel(x, y), before.image.GetPixel(x, y)) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(test::Storage(after.map), test::Storage(before.map));
}

} // namespace
} // namespace tessary
