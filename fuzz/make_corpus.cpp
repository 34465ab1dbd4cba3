// Writes the fuzz targets' seed files into FOLDER/<target>/: small archives, sprites, palettes,
// description files and preview texts made with the same builders the tests use. Usage:
//   make_fuzz_corpus FOLDER
#include "archive/drs_writer.hpp"
#include "common/colour.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_builder.hpp"
#include "sprite/slp_loader.hpp"
#include "sprite/unpack.hpp"
#include "surface/dib_section.hpp"
#include "surface/png_sample_writer.hpp"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using tessary::test::FrameSpec;
using tessary::test::RowSpec;

Bytes FromText(const std::string &text) { return {text.begin(), text.end()}; }

// n bytes counting up from seed.
Bytes Pattern(std::size_t n, std::uint8_t seed = 1) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

void Write(const fs::path &folder, const std::string &name, const Bytes &bytes) {
  fs::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + (folder / name).string());
}

// The default palette as a JASC-PAL file, with the given line end and colour count line.
std::string PaletteText(const std::string &lineEnd, int colours = 256) {
  const tessary::PaletteTable table = tessary::DefaultPalette();
  std::string text = "JASC-PAL" + lineEnd + "0100" + lineEnd + std::to_string(colours) + lineEnd;
  for (int i = 0; i < colours; ++i) {
    const tessary::Colour c = table[static_cast<std::size_t>(i % 256)];
    text += std::to_string(tessary::RedOf(c)) + " " + std::to_string(tessary::GreenOf(c)) + " " +
            std::to_string(tessary::BlueOf(c)) + lineEnd;
  }
  return text;
}

// A frame whose rows between them use every command class the decoder knows.
FrameSpec EveryCommandFrame() {
  FrameSpec f;
  f.width = 24;
  f.hotspotX = 12;
  f.hotspotY = 5;
  f.rows = {
      {2, 3, {0x14, 1, 2, 3, 4, 5, 0x0F}},                      // short copy
      {0, 0, {0x01, 4, 0x08, 7, 8, 0x0F}},                      // short skip (count byte), copy
      {1, 1, {0x27, 9, 0x07, 3, 10, 0x0F}},                     // fill, fill with count byte
      {0, 2, {0x6B, 0x0B, 2, 0x0F}},                            // shadow
      {0, 0, {0x03, 5, 0x12, 2, 11, 12, 0x0F}},                 // long skip, long copy
      {tessary::kEmptyRow, 0, {}},                              // no pixels at all
      {0, 0, {0x4E, 0x6E, 0x5E, 3, 0x7E, 2, 0x0F}},             // outlines
      {0, 0, {0x0E, 4, 0x3E, 2, 0x26, 1, 2, 0x0A, 3, 7, 0x0F}}, // player colours
      {3, 0, {0x1D, 0x0C, 1, 2, 3, 0x0F}},                      // six-bit skip and copy
  };
  return f;
}

void WriteBitmaps(const fs::path &folder) {
  fs::create_directories(folder);
  const struct {
    const char *name;
    std::int32_t width, height;
  } sizes[] = {{"one_pixel.bmp", 1, 1}, {"padded_rows.bmp", 5, 3}, {"wide.bmp", 40, 2}};
  for (const auto &size : sizes) {
    tessary::cDIBSection surface;
    surface.Create(size.width, size.height);
    for (std::int32_t y = 0; y < size.height; ++y)
      for (std::int32_t x = 0; x < size.width; ++x)
        surface.SetPixel(x, y, tessary::RGB(x * 40, y * 90, 255 - x));
    surface.SavePicture((folder / size.name).string());
  }
}

void WriteSLXIndexes(const fs::path &folder) {
  Write(folder, "two_frames.slx",
        FromText("SLX 0.5\r\n2\r\n12,5\r\nwalk001d.bmp\r\nwalk001c.bmp\r\n-3,40\r\n"
                 "walk002d.bmp\r\nwalk002c.bmp\r\n"));
  Write(folder, "odd_names.slx",
        FromText("SLX 0.5\n1\n0,0\n..d.bmp\na name with spaces.bmp\n\n\n"));
}

void WriteSprites(const fs::path &folder) {
  using tessary::test::BuildSLP;
  using tessary::test::UniformFrame;
  Write(folder, "every_command.slp", BuildSLP({EveryCommandFrame()}).bytes);
  Write(folder, "three_frames.slp",
        BuildSLP({UniformFrame(4, 3, {0x10, 1, 0x0F}, 1, 1), UniformFrame(6, 2, {0x17, 9, 0x0F}),
                  UniformFrame(2, 2, {0x02, 0x0F})})
            .bytes);
  FrameSpec empty;
  empty.width = 8;
  empty.rows.assign(4, RowSpec{tessary::kEmptyRow, 0, {}});
  Write(folder, "transparent.slp", BuildSLP({empty}).bytes);
  FrameSpec open;
  open.width = 5;
  open.rows = {{0, 0, {0x0C, 1, 2, 3}}}; // no end byte: the row runs to the end of the data
  Write(folder, "row_without_end.slp", BuildSLP({open}).bytes);
  FrameSpec zero;
  zero.width = 0;
  zero.rows = {};
  Write(folder, "zero_height.slp", BuildSLP({zero}).bytes);
}

// One frame's unpack folder in the fuzz target's layout: sprite.json's length and text, the
// picture's length and bytes, then the layers picture.
Bytes UnpackSeed(const tessary::SpritePlanes &planes, std::size_t frame) {
  const tessary::FramePlanes &f = planes.frames[frame];
  const std::string json = tessary::UnpackIndexText(planes);
  const Bytes picture = tessary::EncodeIndexedPNG(f.record.width, f.record.height, f.indexes,
                                                  tessary::DefaultPalette());
  const Bytes layers = tessary::EncodeGreyPNG(f.record.width, f.record.height, f.layers);
  Bytes seed;
  const auto length = [&seed](std::size_t n) {
    for (int k = 0; k < 4; ++k)
      seed.push_back(static_cast<std::uint8_t>(n >> (8 * k)));
  };
  length(json.size());
  seed.insert(seed.end(), json.begin(), json.end());
  length(picture.size());
  seed.insert(seed.end(), picture.begin(), picture.end());
  seed.insert(seed.end(), layers.begin(), layers.end());
  return seed;
}

void WriteUnpackFolders(const fs::path &folder) {
  using tessary::test::BuildSLP;
  using tessary::test::UniformFrame;
  const auto unpack = [](const tessary::test::BuiltSLP &built) {
    return tessary::UnpackSprite(tessary::ParseSLP(built.bytes, "seed.slp"));
  };
  Write(folder, "every_command", UnpackSeed(unpack(BuildSLP({EveryCommandFrame()})), 0));
  FrameSpec tail;
  tail.width = 6;
  tail.rows = {{1, 0, {0x08, 4, 5, 0x0F}}, {0, 1, {0x26, 3, 250, 0x1B, 0x4E, 0x0F}}};
  Write(folder, "not_drawn_tail", UnpackSeed(unpack(BuildSLP({tail})), 0));
  FrameSpec none;
  none.width = -3;
  none.rows.assign(2, RowSpec{tessary::kEmptyRow, 0, {0x0F}});
  Write(folder, "with_empty_frame",
        UnpackSeed(unpack(BuildSLP({UniformFrame(3, 2, {0x0C, 1, 2, 3, 0x0F}), none})), 0));
}

void WriteArchives(const fs::path &folder) {
  using tessary::ArchiveTableSpec;
  using tessary::BuildArchive;
  // Two sprites and a sound, as in the usual first example of the format.
  Write(folder, "worked_example.drs",
        BuildArchive({{tessary::kSpriteTag, {{100, Pattern(10, 1)}, {101, Pattern(20, 2)}}},
                      {tessary::kSoundTag, {{200, Pattern(30, 3)}}}}));
  Write(folder, "three_kinds.drs",
        BuildArchive(
            {{tessary::kBinaryTag, {{50, FromText(PaletteText("\r\n", 4))}}},
             {tessary::kSpriteTag, {{1, tessary::test::BuildSLP({EveryCommandFrame()}).bytes}}},
             {tessary::kSoundTag, {{-7, Pattern(40)}}},
             {{'a', 'b', 'c', 'd'}, {{3, Pattern(5)}, {3, Pattern(6)}}}}));
  Write(folder, "empty_table.drs", BuildArchive({{tessary::kSpriteTag, {}}}));
  Bytes lower = BuildArchive({{tessary::kBinaryTag, {{9, FromText("text\r\n")}}}});
  lower[0] = 'c'; // fails the banner test; the harness reads it anyway
  Write(folder, "lower_case_banner.drs", lower);
}

void WritePalettes(const fs::path &folder) {
  Write(folder, "default_crlf.pal", FromText(PaletteText("\r\n")));
  Write(folder, "default_lf.pal", FromText(PaletteText("\n")));
  Write(folder, "sixteen.pal", FromText(PaletteText("\r\n", 16)));
  std::string commas = PaletteText(",");
  Write(folder, "commas.pal", FromText(commas));
  std::string odd = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    odd += (i % 3 == 0   ? "300 0.5 2.5"
            : i % 3 == 1 ? " 1  2 3"
                         : "-0 +4 255.49") +
           std::string("\r\n");
  Write(folder, "odd_numbers.pal", FromText(odd));
  Write(folder, "lower_magic.pal", FromText("jasc-pal\r\n0100\r\n256\r\n0 0 0\r\n"));
}

void WriteDescriptions(const fs::path &folder) {
  Write(folder, "examples.dsc",
        FromText("50500@1@2@5@Trooper walking\r\n3@3@0@0@Hangar\r\n100@0@0@6@\r\n"
                 "0@0@4@0@ heading \r\n"));
  Write(folder, "odd_fields.dsc",
        FromText(" 050500 @ 1 @2@ 3@a@b@c\n-12.5e1 x@0@0@1@mail@host\r\n@@@@\r\n\r\n"
                 "7@-1@0@0@out of range\r\n2147483648@0@0@0@big\r\n1e3@6@4@9@last"));
}

void WritePreviews(const fs::path &folder) {
  Write(folder, "palette_text.bin", FromText(PaletteText("\r\n", 8)));
  Write(folder, "braces.bin", FromText("a\\b{c}d\r\n\r\n{\\rtf1 not a header}\rlast\nline"));
  Write(folder, "preview.rtf",
        FromText("{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}\\cf1 File 7:\\par \\cf0 "
                 "one\\par t\\\\w\\{o\\}\\par }"));
  Write(folder, "sprite_message.rtf",
        FromText("{\\rtf1{\\colortbl ;\\red128\\green0\\blue0;}\\cf1 (displaying graphic)}"));
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  try {
    WriteArchives(root / "archive");
    WriteSprites(root / "sprite");
    WriteSprites(root / "encoder");
    WriteBitmaps(root / "bitmap");
    WriteSLXIndexes(root / "slx");
    WritePalettes(root / "palette");
    WriteDescriptions(root / "descriptions");
    WritePreviews(root / "bin_preview");
    WriteUnpackFolders(root / "unpack_folder");
  } catch (const std::exception &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
