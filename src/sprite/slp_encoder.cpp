#include "sprite/slp_encoder.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_records.hpp"
#include "sprite/slp_writer.hpp"
#include "surface/dib_section.hpp"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <deque>
#include <limits>
#include <optional>
#include <span>
#include <unordered_map>

namespace tessary {

namespace {

// What one pixel of a frame is, as the pair (image colour, layer code) says.
enum class PixelKind { Transparent, Palette, Player, Shadow, Inner, Outer };

struct Pixel {
  PixelKind kind = PixelKind::Transparent;
  std::uint8_t index = 0; // palette index; for player pixels the stored index (entry - 16)
};

constexpr std::size_t kPlayerBase = 16;

// Reverse lookups of the palette: the first entry of each colour, and the first entry of each
// colour among the player entries 16..255.
class PaletteLookup {
public:
  explicit PaletteLookup(const PaletteTable &palette) {
    for (std::size_t i = palette.size(); i-- > 0;) {
      any_[palette[i]] = static_cast<std::uint8_t>(i);
      if (i >= kPlayerBase)
        player_[palette[i]] = static_cast<std::uint8_t>(i - kPlayerBase);
    }
  }
  const std::uint8_t *find(Colour c) const { return lookup(any_, c); }
  const std::uint8_t *findPlayer(Colour c) const { return lookup(player_, c); }

private:
  static const std::uint8_t *lookup(const std::unordered_map<Colour, std::uint8_t> &map, Colour c) {
    const auto it = map.find(c);
    return it == map.end() ? nullptr : &it->second;
  }
  std::unordered_map<Colour, std::uint8_t> any_;
  std::unordered_map<Colour, std::uint8_t> player_;
};

std::string ColourText(Colour c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
  return text;
}

[[noreturn]] void RefusePixel(std::int32_t frame, std::int32_t x, std::int32_t y,
                              const std::string &why) {
  const std::string subject = "frame " + std::to_string(frame);
  throw Error(ErrorKind::Encode, subject,
              subject + ", x " + std::to_string(x) + ", y " + std::to_string(y) + ": " + why);
}

[[noreturn]] void RefuseFrame(std::int32_t frame, const std::string &why) {
  const std::string subject = "frame " + std::to_string(frame);
  throw Error(ErrorKind::Encode, subject, subject + ": " + why);
}

struct PixelPlace {
  std::int32_t frame;
  std::int32_t x;
  std::int32_t y;
};

// Key-coloured layers need the matching image colour, or the decoder could not reproduce them.
void RequireImage(Colour image, Colour expected, const char *layerName, const PixelPlace &at) {
  if (image != expected)
    RefusePixel(at.frame, at.x, at.y,
                std::string(layerName) + " pixel has image colour " + ColourText(image) +
                    ", but only " + ColourText(expected) + " can be drawn there");
}

Pixel ClassifyPixel(Colour image, Colour layer, const PaletteLookup &lookup, const PixelPlace &at) {
  switch (layer) {
  case kKeyMagenta:
    RequireImage(image, kKeyMagenta, "transparent", at);
    return {PixelKind::Transparent, 0};
  case kShadowRed:
    RequireImage(image, kShadowRed, "shadow", at);
    return {PixelKind::Shadow, 0};
  case kMapBlue:
    RequireImage(image, kKeyMagenta, "inner outline", at);
    return {PixelKind::Inner, 0};
  case kMapYellow:
    RequireImage(image, kKeyMagenta, "outer outline", at);
    return {PixelKind::Outer, 0};
  case kMapWhite:
    if (const auto *index = lookup.find(image))
      return {PixelKind::Palette, *index};
    RefusePixel(at.frame, at.x, at.y, "colour " + ColourText(image) + " is in no palette entry");
  case kMapGreen:
    if (const auto *index = lookup.findPlayer(image))
      return {PixelKind::Player, *index};
    RefusePixel(at.frame, at.x, at.y,
                "player colour " + ColourText(image) + " is in no palette entry 16..255");
  case 0x000000: // black in both arrays is handled by the caller: here the image is not black
    RefusePixel(at.frame, at.x, at.y,
                "layer code #000000 with image colour " + ColourText(image) +
                    " is no layer the sprite format has");
  default:
    RefusePixel(at.frame, at.x, at.y, "layer code " + ColourText(layer) + " is no layer code");
  }
}

// ---- Command emitters -------------------------------------------------------------------------

using Bytes = std::vector<std::uint8_t>;

// Counts and positions within a row are std::size_t: a row holds at most kMaxFrameColumns
// pixels, so every count below fits the command that takes it, as each emitter splits its run.
// Every value given to Put is one byte of a command.
void Put(Bytes &out, std::size_t value) {
  assert(value <= 0xFF);
  out.push_back(static_cast<std::uint8_t>(value));
}

// Transparent run inside a row: short skip up to 63, long skip up to 4095.
void EmitSkip(Bytes &out, std::size_t n) {
  while (n > 0) {
    const std::size_t m = std::min<std::size_t>(n, 4095);
    if (m <= 63) {
      Put(out, (m << 2) | 0x01);
    } else {
      Put(out, ((m >> 8) << 4) | 0x03);
      Put(out, m & 0xFF);
    }
    n -= m;
  }
}

void EmitShadow(Bytes &out, std::size_t n) {
  while (n > 0) {
    const std::size_t m = std::min<std::size_t>(n, 255);
    if (m <= 15) {
      Put(out, (m << 4) | 0x0B);
    } else {
      Put(out, 0x0B);
      Put(out, m);
    }
    n -= m;
  }
}

// Outline runs: the one-pixel command, or the span command with a count byte.
void EmitOutline(Bytes &out, std::size_t n, std::uint8_t pixelCommand, std::uint8_t spanCommand) {
  while (n > 0) {
    const std::size_t m = std::min<std::size_t>(n, 255);
    if (m == 1) {
      Put(out, pixelCommand);
    } else {
      Put(out, spanCommand);
      Put(out, m);
    }
    n -= m;
  }
}

// How a run of indexed pixels (palette or player) may be written. Fills repeat one index; copies
// list every index.
struct IndexedCommands {
  bool player;
  std::size_t shortCopyMax; // one-byte copy header
  std::size_t longCopyMax;  // two-byte copy header
};

constexpr IndexedCommands kPaletteCommands{false, 63, 4095};
constexpr IndexedCommands kPlayerCommands{true, 15, 255};
constexpr std::size_t kFillMax = 255;

// The player-colour span 0x?E draws entry 16 + (b >> 4); the nibbles 4..7 are taken by the
// outline commands.
bool PlayerSpanAllowed(std::uint8_t index) { return index < 4 || (index >= 8 && index < 16); }

std::size_t FillCost(const IndexedCommands &kind, std::size_t m, std::uint8_t index) {
  if (kind.player && PlayerSpanAllowed(index))
    return 2;
  return m <= 15 ? 2 : 3;
}

void EmitFill(Bytes &out, const IndexedCommands &kind, std::size_t m, std::uint8_t index) {
  const std::size_t nibble = kind.player ? 0x0A : 0x07;
  if (m <= 15) {
    Put(out, (m << 4) | nibble);
    Put(out, index);
  } else if (kind.player && PlayerSpanAllowed(index)) {
    Put(out, (std::size_t{index} << 4) | 0x0E);
    Put(out, m);
  } else {
    Put(out, nibble);
    Put(out, m);
    Put(out, index);
  }
}

void EmitCopy(Bytes &out, const IndexedCommands &kind, std::span<const std::uint8_t> indices) {
  const std::size_t m = indices.size();
  if (kind.player) {
    if (m <= 15) {
      Put(out, (m << 4) | 0x06);
    } else {
      Put(out, 0x06);
      Put(out, m);
    }
  } else if (m <= 63) {
    Put(out, m << 2);
  } else {
    Put(out, ((m >> 8) << 4) | 0x02);
    Put(out, m & 0xFF);
  }
  out.insert(out.end(), indices.begin(), indices.end());
}

// Minimum of value[t] over a window of positions that slides to the left: positions are pushed
// in falling order and the window ends `window` places after the current start.
class SlidingMinimum {
public:
  explicit SlidingMinimum(std::size_t window) : window_(window) {}
  void push(std::size_t t, std::size_t value) {
    while (!items_.empty() && items_.back().second > value)
      items_.pop_back();
    items_.emplace_back(t, value);
  }
  // The best position t <= start + window, or nothing when there is none.
  std::optional<std::size_t> best(std::size_t start) {
    while (!items_.empty() && items_.front().first > start + window_)
      items_.pop_front();
    if (items_.empty())
      return std::nullopt;
    return items_.front().first;
  }

private:
  std::size_t window_;
  std::deque<std::pair<std::size_t, std::size_t>> items_;
};

// Writes a run of indexed pixels with the fewest bytes. best[s] is the cheapest encoding of the
// pixels from s to the end, by a fill or a copy that starts at s. It never grows as s moves
// right (fewer pixels never cost more), so among fills of one cost the longest is best, and
// the cheapest end t of a copy from s is the one minimising best[t] + t.
void EmitIndexedRun(Bytes &out, const IndexedCommands &kind,
                    std::span<const std::uint8_t> indices) {
  const std::size_t n = indices.size();
  std::vector<std::size_t> best(n + 1, std::numeric_limits<std::size_t>::max());
  std::vector<std::size_t> to(n + 1, n);
  std::vector<bool> isFill(n + 1, false);
  SlidingMinimum shortCopies(kind.shortCopyMax);
  SlidingMinimum longCopies(kind.longCopyMax);
  best[n] = 0;
  std::size_t equalRun = 0; // pixels from s on equal to pixel s
  for (std::size_t s = n; s-- > 0;) {
    equalRun = (s + 1 < n && indices[s] == indices[s + 1]) ? equalRun + 1 : 1;
    shortCopies.push(s + 1, best[s + 1] + (s + 1));
    longCopies.push(s + 1, best[s + 1] + (s + 1));
    const auto consider = [&](std::size_t cost, std::size_t end, bool fill) {
      if (cost < best[s]) {
        best[s] = cost;
        to[s] = end;
        isFill[s] = fill;
      }
    };
    // Fills: the longest of each count form (one count nibble, or a count byte).
    for (const std::size_t m : {std::min(equalRun, kFillMax), std::min<std::size_t>(equalRun, 15)})
      consider(best[s + m] + FillCost(kind, m, indices[s]), s + m, true);
    // The long copy is tried first so that, at equal cost, one copy beats two.
    for (const auto &[window, header] :
         {std::pair{&longCopies, std::size_t{2}}, std::pair{&shortCopies, std::size_t{1}}}) {
      const auto t = window->best(s);
      if (t && *t > s)
        consider(best[*t] + header + (*t - s), *t, false);
    }
  }
  for (std::size_t s = 0; s < n; s = to[s]) {
    if (isFill[s])
      EmitFill(out, kind, to[s] - s, indices[s]);
    else
      EmitCopy(out, kind, indices.subspan(s, to[s] - s));
  }
}

// ---- Rows and frames --------------------------------------------------------------------------

// The row's pixels up to its untouched tail (pixels black in both arrays at the row's end).
// Pixels are judged left to right, so the first fault of a row is the one reported.
std::vector<Pixel> ClassifyRow(const EncoderFrame &frame, std::int32_t frameNumber, std::int32_t y,
                               const PaletteLookup &lookup) {
  // CheckFrameShape has made the sides non-negative and the width at most kMaxFrameColumns,
  // so a column fits the int32_t that messages name it by.
  const auto width = static_cast<std::size_t>(frame.width);
  const std::size_t base = static_cast<std::size_t>(y) * width;
  const auto untouched = [&](std::size_t x) {
    return frame.image[base + x] == 0x000000 && frame.layer[base + x] == 0x000000;
  };
  std::size_t used = width;
  while (used > 0 && untouched(used - 1))
    --used;
  std::vector<Pixel> row(used);
  for (std::size_t x = 0; x < used; ++x) {
    const auto column = static_cast<std::int32_t>(x);
    if (untouched(x))
      RefusePixel(frameNumber, column, y,
                  "a pixel black in both bitmaps (never drawn) can only stand at the end of its "
                  "row, but drawn pixels follow it");
    row[x] = ClassifyPixel(frame.image[base + x], frame.layer[base + x], lookup,
                           {frameNumber, column, y});
  }
  return row;
}

bool IsTransparent(const Pixel &p) { return p.kind == PixelKind::Transparent; }

// Emits the commands for pixels [begin, end) of a row, which start and end with a drawn pixel.
void EmitBody(Bytes &out, const std::vector<Pixel> &row, std::size_t begin, std::size_t end) {
  std::vector<std::uint8_t> indices;
  std::size_t x = begin;
  while (x < end) {
    const PixelKind kind = row[x].kind;
    std::size_t runEnd = x + 1;
    while (runEnd < end && row[runEnd].kind == kind)
      ++runEnd;
    const std::size_t n = runEnd - x;
    switch (kind) {
    case PixelKind::Transparent:
      EmitSkip(out, n);
      break;
    case PixelKind::Shadow:
      EmitShadow(out, n);
      break;
    case PixelKind::Inner:
      EmitOutline(out, n, 0x4E, 0x5E);
      break;
    case PixelKind::Outer:
      EmitOutline(out, n, 0x6E, 0x7E);
      break;
    case PixelKind::Palette:
    case PixelKind::Player:
      indices.clear();
      for (std::size_t i = x; i < runEnd; ++i)
        indices.push_back(row[i].index);
      EmitIndexedRun(out, kind == PixelKind::Player ? kPlayerCommands : kPaletteCommands, indices);
      break;
    }
    x = runEnd;
  }
}

// A row's margins and commands from its pixels up to its untouched tail, in a frame `width`
// pixels wide. Pixels no command reached are kept by ending the row before them: the right
// margin is drawn from the column the commands reach, so everything after it stays as the
// surface was created.
SLPRow EncodeRow(const std::vector<Pixel> &row, std::size_t width) {
  // A row holds at most kMaxFrameColumns (32767) pixels, so its margins fit the int16_t edges.
  const std::size_t used = row.size();

  SLPRow encoded;
  std::size_t left = 0;
  while (left < used && IsTransparent(row[left]))
    ++left;
  if (left == used) {
    // Wholly transparent rows take the empty-row marker; with an untouched tail the row must
    // stop after its transparent part instead.
    encoded.edges.left = used == width ? kEmptyRow : static_cast<std::int16_t>(used);
    encoded.commands.push_back(0x0F);
    return encoded;
  }
  std::size_t right = used;
  while (IsTransparent(row[right - 1]))
    --right;
  encoded.edges.left = static_cast<std::int16_t>(left);
  encoded.edges.right = static_cast<std::int16_t>(used - right);
  EmitBody(encoded.commands, row, left, right);
  encoded.commands.push_back(0x0F);
  return encoded;
}

void CheckFrameShape(const EncoderFrame &frame, std::int32_t frameNumber) {
  if (frame.width < 0 || frame.height < 0)
    RefuseFrame(frameNumber, "negative size " + std::to_string(frame.width) + " x " +
                                 std::to_string(frame.height));
  if (frame.width > kMaxFrameColumns || frame.height > kMaxFrameRows)
    RefuseFrame(frameNumber, "size " + std::to_string(frame.width) + " x " +
                                 std::to_string(frame.height) + " exceeds " +
                                 std::to_string(kMaxFrameColumns) + " columns or " +
                                 std::to_string(kMaxFrameRows) + " rows");
  // The loader refuses such a frame, so writing it would make a sprite nothing here can open.
  if (!FitsOneSurface(frame.width, frame.height))
    RefuseFrame(frameNumber, "size " + std::to_string(frame.width) + " x " +
                                 std::to_string(frame.height) + " needs more than the " +
                                 std::to_string(kMaxSurfaceBytes >> 20) +
                                 " MiB one picture may take");
  const auto pixels =
      static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
  if (frame.image.size() != pixels || frame.layer.size() != pixels)
    RefuseFrame(frameNumber, "pixel arrays hold " + std::to_string(frame.image.size()) + " and " +
                                 std::to_string(frame.layer.size()) + " pixels, not " +
                                 std::to_string(pixels));
}

SLPFrameRows EncodeFrame(const EncoderFrame &frame, std::int32_t frameNumber,
                         const PaletteLookup &lookup) {
  CheckFrameShape(frame, frameNumber);
  SLPFrameRows encoded;
  encoded.width = frame.width;
  encoded.hotspotX = frame.hotspotX;
  encoded.hotspotY = frame.hotspotY;
  encoded.rows.reserve(static_cast<std::size_t>(frame.height));
  for (std::int32_t y = 0; y < frame.height; ++y)
    encoded.rows.push_back(EncodeRow(ClassifyRow(frame, frameNumber, y, lookup),
                                     static_cast<std::size_t>(frame.width)));
  return encoded;
}

// ---- Frames given as planes of layers and indexes ----------------------------------------------

std::string LayerText(std::uint8_t layer) { return "layer " + std::to_string(layer); }

// The pixels of a row up to its not-drawn tail, judged left to right so that the first fault
// of a row is the one reported.
std::vector<Pixel> ClassifyPlanesRow(const FramePlanes &frame, std::int32_t frameNumber,
                                     std::int32_t y) {
  const auto width = static_cast<std::size_t>(frame.record.width);
  const std::size_t base = static_cast<std::size_t>(y) * width;
  const auto layerAt = [&](std::size_t x) { return frame.layers[base + x]; };
  constexpr auto kNotDrawn = static_cast<std::uint8_t>(PixelLayer::NotDrawn);
  std::size_t used = width;
  while (used > 0 && layerAt(used - 1) == kNotDrawn)
    --used;
  std::vector<Pixel> row(used);
  for (std::size_t x = 0; x < width; ++x) {
    const auto column = static_cast<std::int32_t>(x);
    const std::uint8_t layer = layerAt(x);
    const std::uint8_t index = frame.indexes[base + x];
    if (layer >= kPixelLayerCount)
      RefusePixel(frameNumber, column, y,
                  LayerText(layer) + " is no layer (0 to " + std::to_string(kPixelLayerCount - 1) +
                      ")");
    if (layer == kNotDrawn && x < used)
      RefusePixel(frameNumber, column, y,
                  "a pixel of layer 6 (not drawn) can only stand at the end of its row, but drawn "
                  "pixels follow it");
    const auto kind = static_cast<PixelLayer>(layer);
    if (kind != PixelLayer::PaletteColour && kind != PixelLayer::Player && index != 0)
      RefusePixel(frameNumber, column, y,
                  "index " + std::to_string(index) + " in a pixel of " + LayerText(layer) +
                      ", which has no colour of its own: only index 0 may stand there");
    if (x >= used)
      continue;
    switch (kind) {
    case PixelLayer::PaletteColour:
      row[x] = {PixelKind::Palette, index};
      break;
    case PixelLayer::Player:
      row[x] = {PixelKind::Player, StoredPlayerIndexOf(index)};
      break;
    case PixelLayer::Shadow:
      row[x] = {PixelKind::Shadow, 0};
      break;
    case PixelLayer::InnerOutline:
      row[x] = {PixelKind::Inner, 0};
      break;
    case PixelLayer::OuterOutline:
      row[x] = {PixelKind::Outer, 0};
      break;
    default:
      row[x] = {PixelKind::Transparent, 0};
      break;
    }
  }
  return row;
}

void CheckPlanesShape(const FramePlanes &frame, std::int32_t frameNumber) {
  const SLPFrameInfo &r = frame.record;
  // The loader refuses such frames, with pixels or without.
  if (r.width > kMaxFrameColumns || r.height > kMaxFrameRows)
    RefuseFrame(frameNumber, "size " + std::to_string(r.width) + " x " + std::to_string(r.height) +
                                 " exceeds " + std::to_string(kMaxFrameColumns) + " columns or " +
                                 std::to_string(kMaxFrameRows) + " rows");
  if (frame.hasPixels() && !FitsOneSurface(r.width, r.height))
    RefuseFrame(frameNumber, "size " + std::to_string(r.width) + " x " + std::to_string(r.height) +
                                 " needs more than the " + std::to_string(kMaxSurfaceBytes >> 20) +
                                 " MiB one picture may take");
  const std::size_t pixels =
      frame.hasPixels() ? static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height)
                        : 0;
  if (frame.layers.size() != pixels || frame.indexes.size() != pixels)
    RefuseFrame(frameNumber, "the planes hold " + std::to_string(frame.layers.size()) + " and " +
                                 std::to_string(frame.indexes.size()) + " pixels, not " +
                                 std::to_string(pixels));
}

SLPFrameRows EncodePlanesFrame(const FramePlanes &frame, std::int32_t frameNumber,
                               SLPRecordExtras &extras) {
  CheckPlanesShape(frame, frameNumber);
  const SLPFrameInfo &r = frame.record;
  SLPFrameRows encoded;
  encoded.width = r.width;
  encoded.hotspotX = r.hotspotX;
  encoded.hotspotY = r.hotspotY;
  extras.paletteOffset = r.paletteOffset;
  extras.properties = r.properties;
  if (!frame.hasPixels()) {
    // Rows without pixels, as many as the record says, so that its size comes back as it was.
    extras.recordHeight = r.height;
    encoded.rows.assign(static_cast<std::size_t>(std::max(r.height, 0)),
                        SLPRow{{kEmptyRow, 0}, {0x0F}});
    return encoded;
  }
  encoded.rows.reserve(static_cast<std::size_t>(r.height));
  for (std::int32_t y = 0; y < r.height; ++y)
    encoded.rows.push_back(
        EncodeRow(ClassifyPlanesRow(frame, frameNumber, y), static_cast<std::size_t>(r.width)));
  return encoded;
}

} // namespace

EncoderFrame FrameFromSurfaces(const cDIBSection &image, const cDIBSection &layer,
                               std::int32_t hotspotX, std::int32_t hotspotY) {
  if (image.Width() != layer.Width() || image.Height() != layer.Height())
    throw Error(ErrorKind::Encode, {},
                "image is " + std::to_string(image.Width()) + " x " +
                    std::to_string(image.Height()) + " but layer map is " +
                    std::to_string(layer.Width()) + " x " + std::to_string(layer.Height()));
  EncoderFrame frame;
  frame.hotspotX = hotspotX;
  frame.hotspotY = hotspotY;
  frame.width = std::max(image.Width(), 0);
  frame.height = std::max(image.Height(), 0);
  const auto pixels =
      static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
  frame.image.reserve(pixels);
  frame.layer.reserve(pixels);
  for (std::int32_t y = 0; y < frame.height; ++y)
    for (std::int32_t x = 0; x < frame.width; ++x) {
      // A surface that was never created reads as kInvalidColour; treat it as untouched.
      const Colour c = image.GetPixel(x, y);
      const Colour l = layer.GetPixel(x, y);
      frame.image.push_back(c == kInvalidColour ? 0 : c);
      frame.layer.push_back(l == kInvalidColour ? 0 : l);
    }
  return frame;
}

std::vector<std::uint8_t> EncodeSpritePlanes(const SpritePlanes &sprite) {
  SLPWriter writer(sprite.frames.size(), {sprite.version, sprite.comment});
  for (std::size_t n = 0; n < sprite.frames.size(); ++n) {
    SLPRecordExtras extras;
    SLPFrameRows rows =
        EncodePlanesFrame(sprite.frames[n], static_cast<std::int32_t>(n + 1), extras);
    writer.Add(std::move(rows), extras);
  }
  return writer.Finish();
}

std::vector<std::uint8_t> EncodeSLP(const std::vector<EncoderFrame> &frames,
                                    const PaletteTable &palette) {
  SLPWriter writer(frames.size());
  const PaletteLookup lookup(palette);
  for (std::size_t n = 0; n < frames.size(); ++n)
    // Frame numbers in messages count from 1; SLPWriter has bounded the count to 32767.
    writer.Add(EncodeFrame(frames[n], static_cast<std::int32_t>(n + 1), lookup));
  return writer.Finish();
}

} // namespace tessary
