// Draws the demo archive: a walking droid, a command post, a chirp, a palette, a readme and one
// entry of a kind the viewer does not know. Everything is drawn here, so the archive carries no
// game data. Usage: tessary_make_demo OUTPUT.drs

#include "archive/drs_writer.hpp"
#include "common/colour.hpp"
#include "common/error.hpp"
#include "common/safe_write.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_encoder.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace {

using tessary::Colour;
using tessary::PaletteTable;
using Bytes = std::vector<std::uint8_t>;

// Identifiers in the ranges the game uses for each kind.
constexpr std::int32_t kDroidId = 1000;
constexpr std::int32_t kCommandPostId = 1001;
constexpr std::int32_t kChirpId = 5000;
constexpr std::int32_t kPaletteId = 50500;
constexpr std::int32_t kReadmeId = 50501;
constexpr std::int32_t kOtherKindId = 60000;

// ---- Drawing ----------------------------------------------------------------------------------

enum class Layer { Clear, Colour, Player, Shadow, Inner, Outer };

struct Cell {
  Layer layer = Layer::Clear;
  std::uint8_t index = 0; // palette index, or the player colour 0..7
};

bool IsBody(const Cell &c) { return c.layer == Layer::Colour || c.layer == Layer::Player; }

class Canvas {
public:
  Canvas(int width, int height)
      : width_(width), height_(height), cells_(static_cast<std::size_t>(width) * height) {}

  int width() const { return width_; }
  int height() const { return height_; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  const Cell &at(int x, int y) const { return cells_[static_cast<std::size_t>(y) * width_ + x]; }
  void put(int x, int y, Cell c) {
    if (inside(x, y))
      cells_[static_cast<std::size_t>(y) * width_ + x] = c;
  }

  void rect(int x0, int y0, int x1, int y1, Cell c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        put(x, y, c);
  }
  // Filled ellipse; `shade` picks the cell from the position inside it (-1..1 on each axis).
  template <typename Shade> void ellipse(double cx, double cy, double rx, double ry, Shade shade) {
    for (int y = static_cast<int>(cy - ry) - 1; y <= static_cast<int>(cy + ry) + 1; ++y)
      for (int x = static_cast<int>(cx - rx) - 1; x <= static_cast<int>(cx + rx) + 1; ++x) {
        const double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
        if (u * u + v * v <= 1.0)
          put(x, y, shade(u, v));
      }
  }
  // A thick line from (x0, y0) to (x1, y1).
  void line(double x0, double y0, double x1, double y1, double thickness, Cell c) {
    const int steps = static_cast<int>(std::max(std::abs(x1 - x0), std::abs(y1 - y0))) * 2 + 1;
    for (int i = 0; i <= steps; ++i) {
      const double t = static_cast<double>(i) / steps;
      const double x = x0 + (x1 - x0) * t, y = y0 + (y1 - y0) * t;
      for (int dy = 0; dy < thickness; ++dy)
        for (int dx = 0; dx < thickness; ++dx)
          put(static_cast<int>(x - thickness / 2 + dx), static_cast<int>(y + dy), c);
    }
  }

  // Rings the figure with outer-outline pixels: every clear or shadow pixel beside a body pixel.
  void outerOutline() {
    std::vector<Cell> ringed = cells_;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const Layer l = at(x, y).layer;
        if (l != Layer::Clear && l != Layer::Shadow)
          continue;
        const bool touches = (inside(x - 1, y) && IsBody(at(x - 1, y))) ||
                             (inside(x + 1, y) && IsBody(at(x + 1, y))) ||
                             (inside(x, y - 1) && IsBody(at(x, y - 1))) ||
                             (inside(x, y + 1) && IsBody(at(x, y + 1)));
        if (touches)
          ringed[static_cast<std::size_t>(y) * width_ + x] = {Layer::Outer, 0};
      }
    cells_ = std::move(ringed);
  }

  tessary::EncoderFrame toFrame(const PaletteTable &palette, int hotspotX, int hotspotY) const {
    tessary::EncoderFrame frame;
    frame.width = width_;
    frame.height = height_;
    frame.hotspotX = hotspotX;
    frame.hotspotY = hotspotY;
    for (const Cell &c : cells_) {
      switch (c.layer) {
      case Layer::Clear:
        frame.image.push_back(tessary::kKeyMagenta), frame.layer.push_back(tessary::kKeyMagenta);
        break;
      case Layer::Colour:
        frame.image.push_back(palette[c.index]), frame.layer.push_back(tessary::kMapWhite);
        break;
      case Layer::Player:
        frame.image.push_back(palette[16 + c.index]), frame.layer.push_back(tessary::kMapGreen);
        break;
      case Layer::Shadow:
        frame.image.push_back(tessary::kShadowRed), frame.layer.push_back(tessary::kShadowRed);
        break;
      case Layer::Inner:
        frame.image.push_back(tessary::kKeyMagenta), frame.layer.push_back(tessary::kMapBlue);
        break;
      case Layer::Outer:
        frame.image.push_back(tessary::kKeyMagenta), frame.layer.push_back(tessary::kMapYellow);
        break;
      }
    }
    return frame;
  }

private:
  int width_;
  int height_;
  std::vector<Cell> cells_;
};

// The palette entry nearest to a colour, so the drawing can speak in colours.
class Paint {
public:
  explicit Paint(const PaletteTable &palette) : palette_(palette) {}
  Cell operator()(int r, int g, int b) const {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 256; ++i) {
      if (i >= 16 && i < 24)
        continue; // the player ramp is drawn through the player layer
      const Colour c = palette_[i];
      const long dr = static_cast<long>(tessary::RedOf(c)) - r;
      const long dg = static_cast<long>(tessary::GreenOf(c)) - g;
      const long db = static_cast<long>(tessary::BlueOf(c)) - b;
      const long distance = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || distance < bestDistance)
        best = i, bestDistance = distance;
    }
    return {Layer::Colour, static_cast<std::uint8_t>(best)};
  }
  // Shades a base colour by a light factor (0.5 dark .. 1.3 bright).
  Cell lit(int r, int g, int b, double light) const {
    const auto scale = [&](int v) { return std::clamp(static_cast<int>(v * light), 0, 255); };
    return (*this)(scale(r), scale(g), scale(b));
  }

private:
  const PaletteTable &palette_;
};

Cell Player(int shade) {
  return {Layer::Player, static_cast<std::uint8_t>(std::clamp(shade, 0, 7))};
}

// ---- The walking droid ------------------------------------------------------------------------

// Frame n of 8: legs swing, the body bobs, the width grows with the stride, so sizes and
// hotspots differ from frame to frame.
tessary::EncoderFrame DroidFrame(int n, const PaletteTable &palette) {
  const Paint paint(palette);
  const double phase = 2 * std::numbers::pi * n / 8;
  const int stride = static_cast<int>(std::lround(6 * std::abs(std::sin(phase))));
  const int width = 30 + stride;
  const int height = 46 + (n % 2);
  Canvas c(width, height);
  const double cx = width / 2.0;
  const int ground = height - 5;
  const double bob = std::abs(std::sin(phase)) * -1.5;

  c.ellipse(cx + 3, ground + 1.5, 11 + stride / 2.0, 3, [](double, double) {
    return Cell{Layer::Shadow, 0};
  });
  const double swing = 6 * std::sin(phase);
  const Cell leg = paint(70, 70, 78);
  c.line(cx - 3, ground - 13 + bob, cx - 3 + swing, ground - 2, 3, leg);
  c.line(cx + 3, ground - 13 + bob, cx + 3 - swing, ground - 2, 3, leg);
  c.rect(static_cast<int>(cx - 5 + swing), ground - 1, static_cast<int>(cx - 1 + swing), ground,
         paint(40, 40, 44));
  c.rect(static_cast<int>(cx + 1 - swing), ground - 1, static_cast<int>(cx + 5 - swing), ground,
         paint(40, 40, 44));
  // Body: lit from the upper left.
  c.ellipse(cx, ground - 21 + bob, 9, 10, [&](double u, double v) {
    return paint.lit(150, 150, 160, 1.15 - 0.35 * u - 0.25 * v);
  });
  // Chest band in the player's colour, shaded across.
  for (int y = ground - 23; y <= ground - 20; ++y)
    for (int x = static_cast<int>(cx - 8); x <= static_cast<int>(cx + 8); ++x)
      if (c.inside(x, static_cast<int>(y + bob)) && IsBody(c.at(x, static_cast<int>(y + bob))))
        c.put(x, static_cast<int>(y + bob), Player(2 + (x - static_cast<int>(cx - 8)) / 4));
  // Shoulder pads in one flat player colour.
  c.rect(static_cast<int>(cx - 10), static_cast<int>(ground - 29 + bob), static_cast<int>(cx - 7),
         static_cast<int>(ground - 27 + bob), Player(1));
  c.rect(static_cast<int>(cx + 7), static_cast<int>(ground - 29 + bob), static_cast<int>(cx + 10),
         static_cast<int>(ground - 27 + bob), Player(1));
  // Head: a glass dome with an inner-outline rim and a visor.
  const double headY = ground - 34 + bob;
  c.ellipse(cx, headY, 6.5, 5.5, [&](double u, double v) {
    if (u * u + v * v > 0.72)
      return Cell{Layer::Inner, 0};
    return paint.lit(200, 205, 215, 1.2 - 0.3 * u - 0.2 * v);
  });
  c.rect(static_cast<int>(cx - 4), static_cast<int>(headY), static_cast<int>(cx + 3),
         static_cast<int>(headY) + 1, paint(30, 60, 140));
  c.put(static_cast<int>(cx - 2), static_cast<int>(headY), paint(200, 230, 255));
  // Antenna.
  c.line(cx + 3, headY - 9, cx + 3, headY - 5, 1, paint(90, 90, 90));
  c.put(static_cast<int>(cx + 3), static_cast<int>(headY - 10), paint(255, 60, 40));
  c.outerOutline();
  return c.toFrame(palette, static_cast<int>(cx), ground);
}

// ---- The command post -------------------------------------------------------------------------

tessary::EncoderFrame CommandPostFrame(int n, const PaletteTable &palette) {
  const Paint paint(palette);
  Canvas c(200, 150);
  // Shadow cast to the lower left, drawn first so the building covers it.
  for (int y = 70; y < 146; ++y) {
    const int shift = (y - 70) / 3;
    c.rect(22 - shift, y, 150 - shift, y, {Layer::Shadow, 0});
  }
  // Walls with darker courses every eight rows.
  for (int y = 62; y <= 140; ++y)
    for (int x = 40; x <= 170; ++x) {
      const bool course = (y - 62) % 8 == 7;
      const bool joint = (x + ((y - 62) / 8 % 2) * 6) % 12 == 0;
      const double light = 1.1 - (x - 40) / 260.0;
      c.put(x, y,
            course || joint ? paint.lit(170, 140, 100, light * 0.8)
                            : paint.lit(215, 185, 140, light));
    }
  // Roof: a trapezoid of red tiles, darker towards the eaves.
  for (int y = 28; y <= 61; ++y) {
    const int inset = (61 - y) * 2 / 3;
    for (int x = 32 + inset; x <= 178 - inset; ++x)
      c.put(x, y,
            (x + y) % 9 == 0 ? paint(110, 40, 25) : paint.lit(170, 70, 45, 0.75 + (y - 28) / 90.0));
  }
  // Windows: two rows of four, glass shaded top to bottom inside a dark frame.
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 4; ++col) {
      const int x0 = 52 + col * 30, y0 = 72 + row * 26;
      c.rect(x0 - 1, y0 - 1, x0 + 14, y0 + 12, paint(60, 45, 30));
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 14; ++x)
          c.put(x0 + x, y0 + y, paint.lit(120, 170, 220, 1.25 - (x + y) / 30.0));
    }
  // Door.
  c.rect(95, 112, 116, 140, paint(80, 50, 30));
  c.rect(112, 126, 113, 127, paint(230, 200, 80));
  // Flag pole and a banner in the player's colour that waves from frame to frame.
  c.rect(24, 4, 26, 140, paint(120, 120, 125));
  for (int x = 0; x < 34; ++x) {
    const double wave = std::sin((x + n * 6) / 5.0);
    const int top = 8 + static_cast<int>(std::lround(2 * wave));
    for (int y = 0; y < 20; ++y)
      c.put(27 + x, top + y, Player(3 + static_cast<int>(std::lround(2 * wave)) + (y > 15)));
  }
  c.outerOutline();
  return c.toFrame(palette, 105, 140);
}

// ---- Sound, palette, text ---------------------------------------------------------------------

void PutLE(Bytes &b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// 0.3 s of mono 16-bit PCM at 22050 Hz: a rising chirp with a soft attack and decay.
Bytes ChirpWav() {
  constexpr std::uint32_t rate = 22050;
  constexpr std::uint32_t samples = rate * 3 / 10;
  Bytes pcm;
  double phase = 0;
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / samples;
    phase += 2 * std::numbers::pi * (400 + 1200 * t) / rate;
    const double envelope = std::min(1.0, t * 20) * (1 - t);
    PutLE(pcm,
          static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * envelope * std::sin(phase))),
          2);
  }
  Bytes wav;
  for (const char ch : std::string("RIFF"))
    wav.push_back(static_cast<std::uint8_t>(ch));
  PutLE(wav, 36 + static_cast<std::uint32_t>(pcm.size()), 4);
  for (const char ch : std::string("WAVEfmt "))
    wav.push_back(static_cast<std::uint8_t>(ch));
  PutLE(wav, 16, 4);       // fmt chunk size
  PutLE(wav, 1, 2);        // PCM
  PutLE(wav, 1, 2);        // mono
  PutLE(wav, rate, 4);     // sample rate
  PutLE(wav, rate * 2, 4); // bytes per second
  PutLE(wav, 2, 2);        // block align
  PutLE(wav, 16, 2);       // bits per sample
  for (const char ch : std::string("data"))
    wav.push_back(static_cast<std::uint8_t>(ch));
  PutLE(wav, static_cast<std::uint32_t>(pcm.size()), 4);
  wav.insert(wav.end(), pcm.begin(), pcm.end());
  return wav;
}

Bytes TextBytes(const std::string &text) { return Bytes(text.begin(), text.end()); }

// A warm sepia ramp: dark brown through amber to cream, nothing like the default palette.
Bytes SepiaPalette() {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i) {
    const double t = i / 255.0;
    const int r = static_cast<int>(40 + 215 * std::pow(t, 0.8));
    const int g = static_cast<int>(20 + 200 * t);
    const int b = static_cast<int>(10 + 150 * t * t);
    text += std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b) + "\r\n";
  }
  return TextBytes(text);
}

Bytes Readme() {
  return TextBytes(
      "Tessary demo archive\r\n"
      "\r\n"
      "Everything in here is drawn by samples\\make_demo.cpp while the program is built;\r\n"
      "it holds no game data.\r\n"
      "\r\n"
      "1000   a walking droid, 8 frames {palette, player colour, shadow, outlines}\r\n"
      "1001   a command post with a waving banner, 2 frames\r\n"
      "5000   a short chirp (0.3 s, 16-bit mono)\r\n"
      "50500  a sepia palette: save it as .pal and select it\r\n"
      "50501  this text; the braces { } and backslashes \\ must show as typed\r\n"
      "60000  an entry of a kind the viewer does not know\r\n");
}

std::vector<tessary::ArchiveTableSpec> DemoTables() {
  const PaletteTable palette = tessary::DefaultPalette();
  std::vector<tessary::EncoderFrame> droid, post;
  for (int n = 0; n < 8; ++n)
    droid.push_back(DroidFrame(n, palette));
  for (int n = 0; n < 2; ++n)
    post.push_back(CommandPostFrame(n, palette));
  return {
      {tessary::kSpriteTag,
       {{kDroidId, tessary::EncodeSLP(droid, palette)},
        {kCommandPostId, tessary::EncodeSLP(post, palette)}}},
      {tessary::kSoundTag, {{kChirpId, ChirpWav()}}},
      {tessary::kBinaryTag, {{kPaletteId, SepiaPalette()}, {kReadmeId, Readme()}}},
      {{'a', 'b', 'c', 'd'}, {{kOtherKindId, TextBytes("opaque bytes of an unknown kind")}}},
  };
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::cerr << "usage: tessary_make_demo OUTPUT.drs\n";
    return 2;
  }
  try {
    tessary::WriteFileSafely(std::filesystem::path(argv[1]), tessary::BuildArchive(DemoTables()),
                             tessary::ErrorKind::Save);
  } catch (const tessary::Error &e) {
    std::cerr << e.message() << "\n" << e.detail() << "\n";
    return 1;
  } catch (const std::exception &e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
