// render-all of a whole game's graphics, against the machine's own limits, in one run.
//
// Draws, at bench time, a synthetic archive at the scale of a game's graphics archive: about
// 3,000 unit sprites of 50 frames (10 frames x 5 directions, sides 16 to 80 pixels) and 1,000
// building sprites of 1 or 2 frames (sides 100 to 300 pixels). Every frame is a solid shape in
// mostly transparent margins, drawn in long runs and copies of varied indexes, with player
// colours, shadows and both outlines. Then it reports:
//   - render-all to BMP and to PNG, with 1 job and with every core: wall time, frames per
//     second, megapixels per second;
//   - three bounds on the same frames, each with one job: decode + recolour alone, PNG encoding
//     alone of frames already decoded, and creating and writing as many files of the same sizes
//     through the same safe-write file sets (no encoding);
//   - the PNG speed-up from 1 job to every core, and PNG wall time / ((decode + encode + files)
//     / jobs).
// With --encodings it also compares PNG encodings (palette or RGBA, filters, deflate levels) on
// every 10th sprite: bytes and encoding time.
//
//   bench_render_all [--scale S] [--dir FOLDER] [--jobs N] [--encodings | --only-encodings]
//
// --scale multiplies the sprite counts (0.05 for a quick look); --dir is where the archive and
// the pictures go (default: a fresh folder under the system's temporary folder, removed at the
// end).
#include "archive/drs_writer.hpp"
#include "archive/extract.hpp"
#include "archive/read_archive.hpp"
#include "cli/cli.hpp"
#include "cli/render_all.hpp"
#include "common/bounded_reader.hpp"
#include "common/paths.hpp"
#include "common/safe_write.hpp"
#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/rgba.hpp"
#include "sprite/slp_loader.hpp"
#include "surface/bmp_writer.hpp"
#include "surface/png_writer.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace tessary;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// This thread's processor time: what a comparison of encodings goes by, since it does not grow
// when other programs share the machine.
double ThreadSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// ----- the synthetic archive -----

class RowWriter {
public:
  explicit RowWriter(std::mt19937 &random) : random_(random) {}

  std::vector<std::uint8_t> bytes;

  void copy(int n) { // varied indexes, as in shaded art
    while (n > 0) {
      const int k = std::min(n, 255);
      if (k < 64) {
        bytes.push_back(static_cast<std::uint8_t>(k << 2));
      } else {
        bytes.push_back(0x02);
        bytes.push_back(static_cast<std::uint8_t>(k));
      }
      std::uint8_t base = static_cast<std::uint8_t>(32 + random_() % 180);
      for (int i = 0; i < k; ++i)
        bytes.push_back(static_cast<std::uint8_t>(base + random_() % 6));
      n -= k;
    }
  }
  void fill(int n) {
    while (n > 0) {
      const int k = std::min(n, 255);
      if (k < 16) {
        bytes.push_back(static_cast<std::uint8_t>((k << 4) | 0x07));
      } else {
        bytes.push_back(0x07);
        bytes.push_back(static_cast<std::uint8_t>(k));
      }
      bytes.push_back(static_cast<std::uint8_t>(random_() % 256));
      n -= k;
    }
  }
  void player(int n) {
    while (n > 0) {
      const int k = std::min(n, 15);
      bytes.push_back(static_cast<std::uint8_t>((k << 4) | 0x06));
      for (int i = 0; i < k; ++i)
        bytes.push_back(static_cast<std::uint8_t>(random_() % 8));
      n -= k;
    }
  }
  void shadow(int n) {
    while (n > 0) {
      const int k = std::min(n, 255);
      bytes.push_back(0x0B);
      bytes.push_back(static_cast<std::uint8_t>(k));
      n -= k;
    }
  }
  void skip(int n) {
    while (n > 0) {
      const int k = std::min(n, 63);
      bytes.push_back(static_cast<std::uint8_t>((k << 2) | 0x01));
      n -= k;
    }
  }
  void end() { bytes.push_back(0x0F); }

private:
  std::mt19937 &random_;
};

// One row of a shape: outline at its edges, then copies, fills and player colours, with a
// shadow run at the foot of the shape.
void DrawRow(RowWriter &row, int inner, bool building, bool shadowRow, std::mt19937 &random) {
  if (inner <= 0)
    return;
  const std::uint8_t outline = building ? 0x4E : 0x6E;
  row.bytes.push_back(outline);
  int left = inner - 1;
  if (shadowRow) {
    const int n = std::min(left, 1 + static_cast<int>(random() % 24));
    row.shadow(n);
    left -= n;
  }
  while (left > 1) {
    const int what = static_cast<int>(random() % 20);
    const int n = std::min(left - 1, 2 + static_cast<int>(random() % (building ? 40 : 12)));
    if (what < 11)
      row.copy(n);
    else if (what < 16)
      row.fill(n);
    else if (what < 18)
      row.player(n);
    else
      row.skip(std::min(n, 3));
    left -= n;
  }
  if (left > 0)
    row.bytes.push_back(outline);
}

// A frame: an ellipse (a unit) or a diamond-topped block (a building) in transparent margins.
void Frame(int w, int h, bool building, std::mt19937 &random,
           std::vector<std::vector<std::uint8_t>> &rows, std::vector<std::int16_t> &edges) {
  rows.clear();
  edges.clear();
  for (int y = 0; y < h; ++y) {
    const double t = (y + 0.5) / h * 2 - 1; // -1 .. 1
    double half = building ? (t < -0.4 ? (1 + t) / 0.6 : 1.0) : std::sqrt(std::max(0.0, 1 - t * t));
    half *= (building ? 0.5 : 0.42) * w;
    const int inner = std::min(w, static_cast<int>(2 * half));
    const int leftMargin = (w - inner) / 2;
    RowWriter row(random);
    if (inner <= 0) {
      edges.push_back(kEmptyRow);
      edges.push_back(0);
      rows.push_back({});
      continue;
    }
    DrawRow(row, inner, building, y > h * 3 / 4, random);
    row.end();
    edges.push_back(static_cast<std::int16_t>(leftMargin));
    edges.push_back(static_cast<std::int16_t>(w - inner - leftMargin));
    rows.push_back(std::move(row.bytes));
  }
}

std::vector<std::uint8_t> Sprite(const std::vector<std::pair<int, int>> &sizes, bool building,
                                 std::mt19937 &random) {
  const auto count = static_cast<std::int32_t>(sizes.size());
  std::vector<std::uint8_t> b(32 + 32 * sizes.size(), 0);
  std::memcpy(b.data(), "2.0N", 4);
  StoreI32(b.data() + 4, count);
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<std::int16_t> edges;
  for (std::int32_t f = 0; f < count; ++f) {
    const auto [w, h] = sizes[static_cast<std::size_t>(f)];
    Frame(w, h, building, random, rows, edges);
    const auto edgeTable = static_cast<std::int32_t>(b.size());
    for (const std::int16_t e : edges) {
      b.resize(b.size() + 2);
      StoreI16(b.data() + b.size() - 2, e);
    }
    const auto commandTable = static_cast<std::int32_t>(b.size());
    b.resize(b.size() + 4 * static_cast<std::size_t>(h), 0);
    for (int y = 0; y < h; ++y) {
      StoreI32(b.data() + commandTable + 4 * y, static_cast<std::int32_t>(b.size()));
      b.insert(b.end(), rows[static_cast<std::size_t>(y)].begin(),
               rows[static_cast<std::size_t>(y)].end());
    }
    std::uint8_t *record = b.data() + 32 + 32 * f;
    StoreI32(record + 0, commandTable);
    StoreI32(record + 4, edgeTable);
    StoreI32(record + 16, w);
    StoreI32(record + 20, h);
    StoreI32(record + 24, w / 2);
    StoreI32(record + 28, h * 3 / 4);
  }
  return b;
}

struct Synthetic {
  std::int64_t sprites = 0, frames = 0, pixels = 0, bytes = 0;
};

Synthetic WriteArchive(const std::string &path, double scale) {
  std::mt19937 random(20261210);
  const int units = std::max(1, static_cast<int>(3000 * scale));
  const int buildings = std::max(1, static_cast<int>(1000 * scale));
  ArchiveTableSpec table{kSpriteTag, {}};
  Synthetic s;
  auto side = [&](int low, int high) {
    return low + static_cast<int>(random() % (high - low + 1));
  };
  for (int u = 0; u < units; ++u) {
    std::vector<std::pair<int, int>> sizes;
    for (int direction = 0; direction < 5; ++direction) {
      const int w = side(16, 80), h = side(16, 80);
      for (int f = 0; f < 10; ++f) // a walk cycle: sizes that vary a little
        sizes.emplace_back(std::clamp(w + side(-3, 3), 16, 80),
                           std::clamp(h + side(-3, 3), 16, 80));
    }
    for (const auto &[w, h] : sizes)
      s.pixels += std::int64_t{w} * h;
    s.frames += static_cast<std::int64_t>(sizes.size());
    table.entries.push_back({1000 + u, Sprite(sizes, false, random)});
  }
  for (int b = 0; b < buildings; ++b) {
    std::vector<std::pair<int, int>> sizes;
    const int frames = 1 + static_cast<int>(random() % 2);
    const int w = side(100, 300), h = side(100, 300);
    for (int f = 0; f < frames; ++f)
      sizes.emplace_back(w, h);
    for (const auto &[fw, fh] : sizes)
      s.pixels += std::int64_t{fw} * fh;
    s.frames += frames;
    table.entries.push_back({20000 + b, Sprite(sizes, true, random)});
  }
  s.sprites = units + buildings;
  const std::vector<std::uint8_t> archive = BuildArchive({table});
  s.bytes = static_cast<std::int64_t>(archive.size());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(archive.data()),
             static_cast<std::streamsize>(archive.size()));
  return s;
}

// ----- the measurements -----

double RenderAllSeconds(const std::string &archive, const fs::path &out, const char *format,
                        unsigned jobs) {
  fs::remove_all(out);
  std::ostringstream o, e;
  const auto start = Clock::now();
  const int code = cli::Run({"render-all", archive, "-o", out.string(), "--format", format,
                             "--jobs", std::to_string(jobs)},
                            o, e);
  const double seconds = Seconds(start, Clock::now());
  if (code != 0) {
    std::cerr << "render-all failed: " << e.str();
    std::exit(1);
  }
  fs::remove_all(out);
  return seconds;
}

struct Bounds {
  double decode = 0, encode = 0, files = 0;
  std::vector<std::vector<std::size_t>> sizes; // per sprite, per frame: the PNG's bytes
};

std::vector<SLPFile> LoadSprites(const std::string &archivePath) {
  const BoundedFile file(tessary::PathOf(archivePath), ErrorKind::ArchiveRead);
  const auto contents = ReadArchive(file, [] { return false; });
  std::vector<SLPFile> sprites;
  for (std::size_t i = 0; contents && i < contents->lines.size(); ++i)
    if (contents->lines[i].kind == kKindSprite)
      sprites.push_back(
          ParseSLP(ReadResource(file, contents->lines[i].entry, ErrorKind::ArchiveRead), "sprite"));
  return sprites;
}

// Decode + recolour and PNG encoding of every frame, timed apart, on one core.
Bounds DecodeAndEncode(const std::vector<SLPFile> &sprites, const PaletteTable &palette) {
  Bounds b;
  const DisplayOptions options;
  cDIBSection image, map;
  std::vector<std::uint8_t> png;
  for (const SLPFile &sprite : sprites) {
    b.sizes.emplace_back();
    for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
      const auto t0 = Clock::now();
      const RgbaImage rgba = RenderFrameRgba(sprite, n, palette, options, image, map);
      const auto t1 = Clock::now();
      EncodePNGInto(rgba, png);
      const auto t2 = Clock::now();
      b.decode += Seconds(t0, t1);
      b.encode += Seconds(t1, t2);
      b.sizes.back().push_back(png.size());
    }
  }
  return b;
}

// As many files of the same sizes, one file set per sprite folder, on one core.
double WriteFiles(const Bounds &b, const fs::path &out) {
  fs::remove_all(out);
  fs::create_directories(out);
  std::vector<std::uint8_t> filler;
  const auto start = Clock::now();
  for (std::size_t s = 0; s < b.sizes.size(); ++s) {
    const fs::path folder = out / std::to_string(s);
    fs::create_directory(folder);
    FileSet files(SavePictureErrors());
    for (std::size_t n = 0; n < b.sizes[s].size(); ++n) {
      filler.assign(b.sizes[s][n], 0x5A);
      files.Add(folder / (PadNumber(static_cast<long long>(n + 1)) + ".png"));
      files.Write(filler);
    }
    files.Commit();
  }
  const double seconds = Seconds(start, Clock::now());
  fs::remove_all(out);
  return seconds;
}

void CompareEncodings(const std::vector<SLPFile> &sprites, const PaletteTable &palette) {
  using Filter = PngEncoding::Filter;
  using Matching = PngEncoding::Matching;
  struct Named {
    const char *name;
    PngEncoding encoding;
  };
  std::vector<Named> encodings = {
      {"rgba  adaptive level 6 (libpng's defaults)",
       {false, Filter::None, Filter::Adaptive, 6, Matching::Anywhere, Matching::Anywhere}},
      {"rgba  sub      level 2",
       {false, Filter::None, Filter::Sub, 2, Matching::Anywhere, Matching::Anywhere}},
      {"rgba  none     level 1",
       {false, Filter::None, Filter::None, 1, Matching::Anywhere, Matching::Anywhere}},
  };
  const Filter filters[] = {Filter::None, Filter::Sub, Filter::Up, Filter::Adaptive};
  const char *filterNames[] = {"none    ", "sub     ", "up      ", "adaptive"};
  static std::vector<std::string> names;
  names.reserve(64);
  for (int f = 0; f < 4; ++f)
    for (int level : {1, 2, 3, 4, 6, 9}) {
      names.push_back(std::string("palette ") + filterNames[f] + " level " + std::to_string(level));
      encodings.push_back(
          {names.back().c_str(),
           {true, filters[f], Filter::Sub, level, Matching::Anywhere, Matching::Anywhere}});
    }
  for (int f = 0; f < 2; ++f)
    for (int level : {1, 6}) {
      names.push_back(std::string("palette ") + filterNames[f] + " runs   " +
                      std::to_string(level));
      PngEncoding e;
      e.paletteFilter = filters[f];
      e.level = level;
      e.paletteMatching = PngEncoding::Matching::RunsOnly;
      encodings.push_back({names.back().c_str(), e});
    }
  PngEncoding rgbaRuns;
  rgbaRuns.palette = false;
  rgbaRuns.rgbaMatching = PngEncoding::Matching::RunsOnly;
  encodings.push_back({"rgba  none     runs    1", rgbaRuns});
  encodings.push_back({"the default", PngEncoding{}});
  std::vector<RgbaImage> frames;
  std::int64_t pixels = 0;
  cDIBSection image, map;
  for (std::size_t s = 0; s < sprites.size(); s += 10)
    for (std::int32_t n = 1; n <= sprites[s].frameCount(); ++n) {
      frames.push_back(RenderFrameRgba(sprites[s], n, palette, DisplayOptions{}, image, map));
      pixels += std::int64_t{frames.back().width} * frames.back().height;
    }
  std::printf("\nPNG encodings on %zu frames (%.1f Mpx), processor time:\n", frames.size(),
              pixels / 1e6);
  std::vector<std::uint8_t> png;
  for (const Named &e : encodings) {
    std::int64_t bytes = 0;
    const double start = ThreadSeconds();
    for (const RgbaImage &f : frames) {
      EncodePNGInto(f, png, e.encoding);
      bytes += static_cast<std::int64_t>(png.size());
    }
    const double seconds = ThreadSeconds() - start;
    std::printf("  %-44s %9.2f MB  %7.3f s  %6.1f Mpx/s\n", e.name, bytes / 1e6, seconds,
                pixels / 1e6 / seconds);
  }
}

} // namespace

int main(int argc, char **argv) {
  double scale = 1.0;
  std::string dir;
  bool encodings = false;
  bool onlyEncodings = false;
  unsigned jobs = cli::DefaultJobs();
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--scale" && i + 1 < argc)
      scale = std::atof(argv[++i]);
    else if (word == "--dir" && i + 1 < argc)
      dir = argv[++i];
    else if (word == "--jobs" && i + 1 < argc)
      jobs = static_cast<unsigned>(std::atoi(argv[++i]));
    else if (word == "--encodings")
      encodings = true;
    else if (word == "--only-encodings")
      encodings = onlyEncodings = true;
    else {
      std::cerr << "usage: bench_render_all [--scale S] [--dir FOLDER] [--jobs N] [--encodings | "
                   "--only-encodings]\n";
      return 2;
    }
  }
  const bool ownDir = dir.empty();
  if (ownDir)
    dir = (fs::temp_directory_path() / ("bench-render-all-" + std::to_string(::getpid()))).string();
  fs::create_directories(dir);
  const std::string archive = (fs::path(dir) / "graphics.drs").string();
  const fs::path out = fs::path(dir) / "out";

  const Synthetic s = WriteArchive(archive, scale);
  std::printf("synthetic archive: %lld sprites, %lld frames, %.1f Mpx, %.1f MB; %u cores used\n",
              static_cast<long long>(s.sprites), static_cast<long long>(s.frames), s.pixels / 1e6,
              s.bytes / 1e6, jobs);

  const PaletteTable palette = DefaultPalette();
  const std::vector<SLPFile> sprites = LoadSprites(archive);
  if (onlyEncodings) {
    CompareEncodings(sprites, palette);
    fs::remove_all(ownDir ? dir : out.string());
    return 0;
  }

  struct Row {
    const char *format;
    unsigned jobs;
    double seconds;
  };
  std::vector<Row> rows;
  for (const char *format : {"bmp", "png"})
    for (unsigned j : {1u, jobs})
      rows.push_back({format, j, RenderAllSeconds(archive, out, format, j)});
  std::printf("\nrender-all        wall s   frames/s      Mpx/s\n");
  for (const Row &r : rows)
    std::printf("  %s, %u job%s  %8.3f %10.0f %10.1f\n", r.format, r.jobs, r.jobs == 1 ? " " : "s",
                r.seconds, s.frames / r.seconds, s.pixels / 1e6 / r.seconds);

  Bounds b = DecodeAndEncode(sprites, palette);
  b.files = WriteFiles(b, out);
  std::int64_t pngBytes = 0;
  for (const auto &sprite : b.sizes)
    for (std::size_t size : sprite)
      pngBytes += static_cast<std::int64_t>(size);
  std::printf("\nbounds, 1 job each (same frames)\n");
  std::printf("  decode + recolour alone   %8.3f s %10.1f Mpx/s\n", b.decode,
              s.pixels / 1e6 / b.decode);
  std::printf("  PNG encoding alone        %8.3f s %10.1f Mpx/s  (%.1f MB of PNG)\n", b.encode,
              s.pixels / 1e6 / b.encode, pngBytes / 1e6);
  std::printf("  creating + writing files  %8.3f s %10.0f files/s\n", b.files, s.frames / b.files);

  const double png1 = rows[2].seconds, pngAll = rows[3].seconds;
  const double bound = (b.decode + b.encode + b.files) / jobs;
  std::printf("\nPNG speed-up, 1 -> %u jobs: %.2f x (goal >= 1.7)\n", jobs, png1 / pngAll);
  std::printf("PNG wall with %u jobs / bound (%.3f s): %.2f (goal <= 1.25)\n", jobs, bound,
              pngAll / bound);
  std::printf("PNG wall with %u jobs: %.3f s (goal <= 3.1 s at full scale)\n", jobs, pngAll);

  if (encodings)
    CompareEncodings(sprites, palette);
  if (ownDir)
    fs::remove_all(dir);
  return 0;
}
