#include "sprite/unpack_folder.hpp"

#include "common/error.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_builder.hpp"
#include "sprite/slp_encoder.hpp"
#include "sprite/slp_loader.hpp"
#include "sprite/unpack.hpp"
#include "support/expect_error.hpp"
#include "surface/png_sample_writer.hpp"

#include <gtest/gtest.h>

#include <png.h>

#include <cstring>
#include <functional>
#include <map>

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A folder held in memory: sprite.json's text and the files it names.
struct Folder {
  std::string json;
  std::map<std::string, Bytes> files;
};

// One 4 x 2 frame of every layer:
//   colour 5, player entry 19, shadow, transparent
//   inner outline, outer outline, colour 7, not drawn
const Bytes kLayers = {1, 2, 3, 0, 4, 5, 1, 6};
const Bytes kIndexes = {5, 19, 0, 0, 0, 0, 7, 0};

Folder GoodFolder() {
  SpritePlanes planes;
  planes.version = {'2', '.', '0', 'N'};
  FramePlanes frame;
  frame.record.width = 4;
  frame.record.height = 2;
  frame.record.hotspotX = 2;
  frame.layers = kLayers;
  frame.indexes = kIndexes;
  planes.frames.push_back(frame);
  return {UnpackIndexText(planes),
          {{"001.png", EncodeIndexedPNG(4, 2, kIndexes, DefaultPalette())},
           {"001.layers.png", EncodeGreyPNG(4, 2, kLayers)}}};
}

std::vector<std::uint8_t> EncodeFolder(const Folder &folder) {
  const UnpackIndex index = ParseUnpackIndex(folder.json, "sprite.json");
  const SpritePlanes planes = ReadUnpackPictures(index, [&folder](const std::string &name) {
    const auto found = folder.files.find(name);
    if (found == folder.files.end())
      throw Error(ErrorKind::BitmapRead, name, name + ": no such file");
    return found->second;
  });
  return EncodeSpritePlanes(planes);
}

void Replace(std::string &text, const std::string &from, const std::string &to) {
  const std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

// A PNG written by libpng's simplified interface in any of its formats.
Bytes SimplePng(std::int32_t width, std::int32_t height, png_uint_32 format,
                const void *colourMap = nullptr, png_uint_32 entries = 0) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  image.colormap_entries = entries;
  Bytes pixels(PNG_IMAGE_SIZE(image), 0);
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, colourMap));
  Bytes bytes(size);
  EXPECT_TRUE(
      png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, colourMap));
  bytes.resize(size);
  return bytes;
}

// A PNG of one 8-bit sample per pixel written with Adam7 interlacing, as paint programs may
// save it (libpng's simplified writer does not interlace).
Bytes InterlacedPng(png_uint_32 width, png_uint_32 height, int colourType, const Bytes &samples) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng could not write the interlaced picture";
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t length) {
        auto *bytes = static_cast<Bytes *>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + length);
      },
      nullptr);
  png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_ADAM7,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color colours[256] = {};
  if (colourType == PNG_COLOR_TYPE_PALETTE)
    png_set_PLTE(png, info, colours, 256);
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y)
      png_write_row(png, samples.data() + y * width);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes LayersWith(std::size_t at, std::uint8_t value) {
  Bytes layers = kLayers;
  layers[at] = value;
  return layers;
}

Bytes IndexesWith(std::size_t at, std::uint8_t value) {
  Bytes indexes = kIndexes;
  indexes[at] = value;
  return indexes;
}

TEST(UnpackFolder, AGoodFolderEncodesToItsPlanes) {
  const SLPFile sprite = ParseSLP(EncodeFolder(GoodFolder()), "good.slp");
  const SpritePlanes planes = UnpackSprite(sprite);
  ASSERT_EQ(planes.frames.size(), 1u);
  EXPECT_EQ(planes.frames[0].layers, kLayers);
  EXPECT_EQ(planes.frames[0].indexes, kIndexes);
  EXPECT_EQ(planes.frames[0].record.hotspotX, 2);
}

struct RefusalCase {
  const char *name;
  std::function<void(Folder &)> spoil;
  const char *message;
  const char *detail;
};

TEST(UnpackFolder, AFolderThatDoesNotHoldTogetherIsRefusedNamingFrameAndPixelOrFile) {
  const auto picture = [](Bytes bytes) {
    return [bytes](Folder &f) { f.files["001.png"] = bytes; };
  };
  const auto layers = [](Bytes bytes) {
    return [bytes](Folder &f) { f.files["001.layers.png"] = bytes; };
  };
  const auto json = [](std::string from, std::string to) {
    return [from, to](Folder &f) { Replace(f.json, from, to); };
  };
  std::uint8_t sixteen[16 * 3] = {};
  const RefusalCase cases[] = {
      {"picture of another size", picture(EncodeIndexedPNG(3, 2, Bytes(6), DefaultPalette())),
       kBitmapReadErrorText, "frame 1's picture 001.png: 3 x 2 pixels, but the frame is 4 x 2"},
      {"layers of another size", layers(EncodeGreyPNG(4, 3, Bytes(12))), kBitmapReadErrorText,
       "frame 1's layers picture 001.layers.png: 4 x 3 pixels, but the frame is 4 x 2"},
      {"index gives another size", json("\"width\": 4", "\"width\": 5"), kBitmapReadErrorText,
       "001.png: 4 x 2 pixels, but the frame is 5 x 2"},
      {"picture in RGBA", picture(SimplePng(4, 2, PNG_FORMAT_RGBA)), kBitmapReadErrorText,
       "001.png: an 8-bit RGBA PNG, not an 8-bit palette PNG"},
      {"picture in RGB", picture(SimplePng(4, 2, PNG_FORMAT_RGB)), kBitmapReadErrorText,
       "001.png: an 8-bit RGB PNG, not an 8-bit palette PNG"},
      {"picture with 4-bit indexes", picture(SimplePng(4, 2, PNG_FORMAT_RGB_COLORMAP, sixteen, 16)),
       kBitmapReadErrorText, "001.png: a 4-bit palette PNG, not an 8-bit palette PNG"},
      {"picture in grey", picture(EncodeGreyPNG(4, 2, kIndexes)), kBitmapReadErrorText,
       "001.png: an 8-bit grey PNG, not an 8-bit palette PNG"},
      {"layers as a palette PNG", layers(EncodeIndexedPNG(4, 2, kLayers, DefaultPalette())),
       kBitmapReadErrorText, "001.layers.png: an 8-bit palette PNG, not an 8-bit grey PNG"},
      {"layers in 16-bit grey", layers(SimplePng(4, 2, PNG_FORMAT_LINEAR_Y)), kBitmapReadErrorText,
       "001.layers.png: a 16-bit grey PNG, not an 8-bit grey PNG"},
      {"layers with alpha", layers(SimplePng(4, 2, PNG_FORMAT_GA)), kBitmapReadErrorText,
       "001.layers.png: an 8-bit grey and alpha PNG"},
      {"picture missing", [](Folder &f) { f.files.erase("001.png"); }, kBitmapReadErrorText,
       "frame 1's picture 001.png: 001.png: no such file"},
      {"layers missing", [](Folder &f) { f.files.erase("001.layers.png"); }, kBitmapReadErrorText,
       "frame 1's layers picture 001.layers.png"},
      {"picture not a PNG", picture(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}),
       kBitmapReadErrorText, "001.png: not a PNG file"},
      {"picture cut short",
       [](Folder &f) { f.files["001.png"].resize(f.files["001.png"].size() / 2); },
       kBitmapReadErrorText, "001.png: damaged PNG file"},
      {"layer value above 6", layers(EncodeGreyPNG(4, 2, LayersWith(6, 7))), kEncodeErrorText,
       "frame 1, x 2, y 1: layer 7 is no layer (0 to 6)"},
      {"not drawn before a drawn pixel", layers(EncodeGreyPNG(4, 2, LayersWith(5, 6))),
       kEncodeErrorText,
       "frame 1, x 1, y 1: a pixel of layer 6 (not drawn) can only stand at the "
       "end of its row"},
      {"index in a transparent pixel",
       picture(EncodeIndexedPNG(4, 2, IndexesWith(3, 9), DefaultPalette())), kEncodeErrorText,
       "frame 1, x 3, y 0: index 9 in a pixel of layer 0"},
      {"index in a shadow pixel",
       picture(EncodeIndexedPNG(4, 2, IndexesWith(2, 9), DefaultPalette())), kEncodeErrorText,
       "frame 1, x 2, y 0: index 9 in a pixel of layer 3"},
      {"index in an inner outline pixel",
       picture(EncodeIndexedPNG(4, 2, IndexesWith(4, 9), DefaultPalette())), kEncodeErrorText,
       "frame 1, x 0, y 1: index 9 in a pixel of layer 4"},
      {"index in an outer outline pixel",
       picture(EncodeIndexedPNG(4, 2, IndexesWith(5, 9), DefaultPalette())), kEncodeErrorText,
       "frame 1, x 1, y 1: index 9 in a pixel of layer 5"},
      {"index in a pixel not drawn",
       picture(EncodeIndexedPNG(4, 2, IndexesWith(7, 9), DefaultPalette())), kEncodeErrorText,
       "frame 1, x 3, y 1: index 9 in a pixel of layer 6"},
      {"index no JSON", json("{", "["), kEncodeErrorText, "sprite.json: not valid JSON"},
      {"index not an object", [](Folder &f) { f.json = "[1, 2]"; }, kEncodeErrorText,
       "sprite.json: must hold one JSON object"},
      {"key missing", json("\"hotspot_x\"", "\"hotspot\""), kEncodeErrorText,
       "sprite.json: frame 1: the key \"hotspot_x\" is missing"},
      {"frame count not the frames listed", json("\"frame_count\": 1", "\"frame_count\": 2"),
       kEncodeErrorText, "\"frame_count\" is 2, but \"frames\" lists 1"},
      {"size not a whole number", json("\"height\": 2", "\"height\": 2.5"), kEncodeErrorText,
       "frame 1: \"height\" must be a whole number"},
      {"hotspot beyond 32 bits", json("\"hotspot_y\": 0", "\"hotspot_y\": 4294967296"),
       kEncodeErrorText, "\"hotspot_y\" must be a whole number from -2147483648 to 2147483647"},
      {"frame too wide", json("\"width\": 4", "\"width\": 40000"), kEncodeErrorText,
       "frame 1: 40000 x 2 is more than a frame may have"},
      {"picture in another folder", json("\"001.png\"", "\"../001.png\""), kEncodeErrorText,
       "frame 1: \"picture\" must be the name of a file in the folder"},
      {"picture null for a frame with pixels", json("\"001.png\"", "null"), kEncodeErrorText,
       "frame 1: \"picture\" must name the frame's picture"},
      {"picture named for a frame without pixels", json("\"height\": 2", "\"height\": 0"),
       kEncodeErrorText, "the frame has no pixels, so \"picture\" must be null"},
      {"both pictures one file", json("\"001.layers.png\"", "\"001.png\""), kEncodeErrorText,
       "\"picture\" and \"layers\" name the same file"},
      {"comment too long", json("\"comment\": \"\"", "\"comment\": \"abcdefghijklmnopqrstuvwxy\""),
       kEncodeErrorText, "\"comment\" is longer than the 24 bytes"},
      {"version beyond a byte", json("\"2.0N\"", "\"2.\\u20ac\""), kEncodeErrorText,
       "\"version\" holds a character beyond U+00FF"},
  };
  for (const RefusalCase &c : cases) {
    SCOPED_TRACE(c.name);
    Folder folder = GoodFolder();
    c.spoil(folder);
    test::ExpectError([&] { EncodeFolder(folder); }, c.message, c.detail);
  }
}

TEST(UnpackFolder, InterlacedPicturesAreReadAsTheyAre) {
  Folder folder = GoodFolder();
  folder.files["001.png"] = InterlacedPng(4, 2, PNG_COLOR_TYPE_PALETTE, kIndexes);
  folder.files["001.layers.png"] = InterlacedPng(4, 2, PNG_COLOR_TYPE_GRAY, kLayers);
  const SpritePlanes planes = UnpackSprite(ParseSLP(EncodeFolder(folder), "interlaced.slp"));
  EXPECT_EQ(planes.frames[0].indexes, kIndexes);
  EXPECT_EQ(planes.frames[0].layers, kLayers);
}

TEST(UnpackFolder, HeaderTextTakesEveryByteAndPadsWithZeros) {
  Folder folder = GoodFolder();
  Replace(folder.json, "\"comment\": \"\"", "\"comment\": \"\\u0000\\u00ff\\u00e9x\"");
  Replace(folder.json, "\"2.0N\"", "\"2\"");
  const SLPFile sprite = ParseSLP(EncodeFolder(folder), "text.slp");
  EXPECT_EQ(sprite.header.version, (std::array<char, 4>{'2', 0, 0, 0}));
  std::array<char, 24> comment{};
  comment[1] = static_cast<char>(0xFF);
  comment[2] = static_cast<char>(0xE9);
  comment[3] = 'x';
  EXPECT_EQ(sprite.header.comment, comment);
}

TEST(UnpackFolder, PlayerEntriesBelowSixteenKeepTheirStoredIndex) {
  // Entry 3 is what a stored 243 shows: the player ramps wrap round the palette.
  Folder folder = GoodFolder();
  folder.files["001.png"] = EncodeIndexedPNG(4, 2, IndexesWith(1, 3), DefaultPalette());
  const SLPFile sprite = ParseSLP(EncodeFolder(folder), "wrap.slp");
  EXPECT_EQ(UnpackSprite(sprite).frames[0].indexes, IndexesWith(1, 3));
}

} // namespace
} // namespace tessary
