#include "sprite/slp_decoder.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "sprite/pixel_fill.hpp"
#include "sprite/slp_loader.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessary {

void FillSpan(cDIBSection &surface, std::int16_t x1, std::int16_t x2, std::int16_t y,
              Colour colour) {
  surface.FillRow(x1, x2, y, colour);
}

namespace {

// A row made only of commands that draw nothing never ends on its own when its stream points
// into junk; real rows never come close to this many.
constexpr std::int64_t kMaxIdleCommandsPerRow = 1 << 16;
// Runs of idle commands at least this long are remembered (see IdleRuns).
constexpr std::size_t kRememberedIdleRun = 32;

} // namespace

// Where a run of idle commands (counts of 0: they draw nothing and leave the column alone) leads.
// Such a run depends on the bytes alone, not on the row, the column or the frame, so it is walked
// once per sprite: rows that share a stream, or start at different places in one long run,
// jump over it. Without this a frame of thousands of rows pointing into one run of idle
// commands cost rows x run length, however few pixels it has. Real sprites hold no such runs
// and never build the table.
struct IdleRuns {
  struct Run {
    std::size_t end;    // the first command after the run, or where the walk stopped
    std::int64_t count; // idle commands from here to end
  };
  std::unordered_map<std::size_t, Run> from;
};

namespace {

// The palette as ready-packed pixels (blue, green, red, 0), for a 4-byte store per pixel.
// Each entry is the pixel's three bytes (blue, green, red) as they lie in memory, so that one
// 4-byte copy stores a pixel: that holds on little-endian machines only.
static_assert(std::endian::native == std::endian::little,
              "the packed palette stores pixels in little-endian byte order");
using PackedPalette = std::array<std::uint32_t, 256>;

PackedPalette Pack(const PaletteTable &palette, unsigned shift) {
  PackedPalette packed;
  for (unsigned i = 0; i < 256; ++i) {
    const Colour c = palette[(i + shift) & 0xFF];
    packed[i] = BlueOf(c) | (GreenOf(c) << 8) | (RedOf(c) << 16);
  }
  return packed;
}

// Decodes one row's command stream into the two row buffers. Columns are kept in 64 bits: a
// stream may advance far past anything a 16-bit or even 32-bit column could hold before the row
// stops, and every span is clipped to [0, width) before it touches storage.
class RowDecoder {
public:
  RowDecoder(const std::uint8_t *data, std::size_t size, const PaletteTable &palette,
             const LayerColours &colours, std::int64_t width, std::shared_ptr<IdleRuns> &idleRuns)
      : data_(data), size_(size), palette_(palette), colours_(colours), plain_(Pack(palette, 0)),
        // Indexes near the top would reach past the table; they wrap round to its start.
        playerRamp_(PlayerRampStart(colours.playerIndex)), player_(Pack(palette, playerRamp_)),
        width_(width), runs_(idleRuns) {}

  // Decodes one row; returns the column up to which the row was drawn. Everything a row draws
  // is one stretch from column 0 (margin, commands, margin), so [end, width) is left untouched.
  std::int64_t decode(std::uint8_t *image, std::uint8_t *map, std::int64_t left, std::int64_t right,
                      std::size_t start) {
    image_ = image;
    map_ = map;
    x_ = left;
    pos_ = start;
    idle_ = 0;
    if (runCommands())
      span(right, colours_.transparent, kKeyMagenta);
    return std::clamp<std::int64_t>(x_, 0, width_);
  }

private:
  // Executes commands until the end-of-row byte (true) or until nothing more can be drawn on
  // this row: the stream ran off the data, the column passed the right edge, or the row idles
  // (false; the right margin is then not drawn).
  bool runCommands() {
    std::uint8_t b;
    while (x_ < width_ && idle_ <= kMaxIdleCommandsPerRow) {
      if (jumpKnownRun())
        continue;
      const std::size_t at = pos_;
      if (!next(b))
        break;
      const std::int64_t idleBefore = idle_;
      if (!command(b)) {
        endRun(at);
        return true;
      }
      if (idle_ != idleBefore)
        walked_.push_back({at, idleBefore});
      else
        endRun(at);
    }
    endRun(pos_);
    return false;
  }

  // When the stream stands at the start of a run walked before: counts its idle commands and
  // moves past it at once.
  bool jumpKnownRun() {
    if (!runs_)
      return false;
    const auto found = runs_->from.find(pos_);
    if (found == runs_->from.end())
      return false;
    const IdleRuns::Run run = found->second;
    walked_.push_back({pos_, idle_});
    idle_ += run.count;
    pos_ = run.end;
    return true;
  }

  // Every start walked or jumped from since the last other command leads to `end`, where the
  // row stands now; long runs are remembered for the rows to come, and starts that were jumped
  // from are pointed at the new end, so no chain of jumps is followed twice.
  void endRun(std::size_t end) {
    if (walked_.empty())
      return;
    if (runs_ || walked_.size() >= kRememberedIdleRun) {
      if (!runs_)
        runs_ = std::make_shared<IdleRuns>();
      for (const auto &[start, idleAt] : walked_)
        runs_->from.insert_or_assign(start, IdleRuns::Run{end, idle_ - idleAt});
    }
    walked_.clear();
  }

  // One command; false on end of row. Running out of data mid-command ends the row (the
  // caller's loop sees pos_ at the end).
  bool command(std::uint8_t b) {
    std::uint8_t n8, i;
    switch (b & 0x0F) {
    case 0x0F:
      return false;
    case 0x0E:
      if (b == 0x4E) {
        span(1, colours_.innerOutline, kMapBlue);
      } else if (b == 0x6E) {
        span(1, colours_.outerOutline, kMapYellow);
      } else if (next(n8)) {
        if (b == 0x5E)
          span(n8, colours_.innerOutline, kMapBlue);
        else if (b == 0x7E)
          span(n8, colours_.outerOutline, kMapYellow);
        else
          span(n8, palette_[(playerRamp_ + (b >> 4)) & 0xFFu], kMapGreen);
      }
      return true;
    case 0x07: {
      std::int64_t n;
      if (shortCount(b, n) && next(i))
        span(n, palette_[i], kMapWhite);
      return true;
    }
    case 0x0B: {
      std::int64_t n;
      if (shortCount(b, n))
        span(n, colours_.shadow, kShadowRed);
      return true;
    }
    case 0x03:
      if (next(n8))
        span(((b >> 4) << 8) + n8, colours_.transparent, kKeyMagenta);
      return true;
    case 0x06: {
      std::int64_t n;
      if (shortCount(b, n))
        copy(n, player_, kMapGreen);
      return true;
    }
    case 0x0A: {
      std::int64_t n;
      if (shortCount(b, n) && next(i))
        span(n, palette_[(i + playerRamp_) & 0xFFu], kMapGreen);
      return true;
    }
    case 0x01:
    case 0x05:
    case 0x09:
    case 0x0D: {
      std::int64_t n = b >> 2;
      if (n == 0) {
        if (!next(n8))
          return true;
        n = n8;
      }
      span(n, colours_.transparent, kKeyMagenta);
      return true;
    }
    case 0x02:
      if (next(n8))
        copy(((b >> 4) << 8) + n8, plain_, kMapWhite);
      return true;
    default: // low nibble 0, 4, 8 or C
      copy(b >> 2, plain_, kMapWhite);
      return true;
    }
  }

  bool next(std::uint8_t &b) {
    if (pos_ >= size_)
      return false;
    b = data_[pos_++];
    return true;
  }

  bool shortCount(std::uint8_t b, std::int64_t &n) {
    n = b >> 4;
    if (n != 0)
      return true;
    std::uint8_t extra;
    if (!next(extra))
      return false;
    n = extra;
    return true;
  }

  // n pixels of one colour in each row buffer from the current column.
  void span(std::int64_t n, Colour imageColour, Colour mapColour) {
    if (n <= 0) {
      ++idle_;
      return;
    }
    const std::int64_t from = std::max<std::int64_t>(x_, 0);
    const std::int64_t to = std::min(x_ + n, width_);
    if (from < to) {
      FillPixels(image_ + 3 * from, to - from, imageColour);
      FillPixels(map_ + 3 * from, to - from, mapColour);
    }
    x_ += n;
  }

  // n pixels whose palette indexes follow in the stream; the map gets mapColour for every pixel
  // whose index byte was there.
  void copy(std::int64_t n, const PackedPalette &colours, Colour mapColour) {
    if (n <= 0) {
      ++idle_;
      return;
    }
    // pos_ never passes size_, the length of bytes held in memory.
    const std::int64_t available = std::min(n, static_cast<std::int64_t>(size_ - pos_));
    const std::uint8_t *indexes = data_ + pos_;
    const std::int64_t first = std::max<std::int64_t>(0, -x_);
    const std::int64_t last = std::min(available, width_ - x_);
    if (first < last) {
      std::uint8_t *out = image_ + 3 * (x_ + first);
      // Four bytes per pixel, the fourth overwritten by the next pixel; the last pixel is
      // stored in three so nothing past the span is touched.
      for (std::int64_t k = first; k < last - 1; ++k, out += 3)
        std::memcpy(out, &colours[indexes[k]], 4);
      std::memcpy(out, &colours[indexes[last - 1]], 3);
      FillPixels(map_ + 3 * (x_ + first), last - first, mapColour);
    }
    pos_ += static_cast<std::size_t>(available);
    x_ += available;
  }

  const std::uint8_t *data_;
  std::size_t size_;
  const PaletteTable &palette_;
  const LayerColours colours_;
  const PackedPalette plain_;
  const unsigned playerRamp_;
  const PackedPalette player_;
  std::int64_t width_;
  std::uint8_t *image_ = nullptr;
  std::uint8_t *map_ = nullptr;
  std::int64_t x_ = 0;
  std::size_t pos_ = 0;
  std::int64_t idle_ = 0;
  std::shared_ptr<IdleRuns> &runs_;
  struct Walked {
    std::size_t start;   // an idle command, or a run jumped over
    std::int64_t idleAt; // the row's idle count on reaching it
  };
  std::vector<Walked> walked_; // the run being walked, in order
};

// Sizes a surface for a frame. One already of that size keeps its storage and the decoder
// clears what it does not draw itself: that spares a fresh allocation and a full clear per frame
// when frame after frame of one size goes through the same pair of surfaces. Returns true when
// the storage was kept.
bool PrepareSurface(cDIBSection &surface, std::int32_t width, std::int32_t height) {
  if (surface.IsCreated() && surface.Width() == width && surface.Height() == height)
    return true;
  surface.CreateOrFail(width, height);
  return false;
}

// Clears a row from column `from` to the end of its storage, padding included.
void ClearRowTail(cDIBSection &surface, std::int32_t y, std::int64_t from) {
  const std::int64_t start = 3 * from;
  std::memset(surface.RowBits(y) + start, 0,
              static_cast<std::size_t>(surface.BytesPerScanLine() - start));
}

std::string RowName(std::int32_t y, const SLPFrameInfo &frame, const SLPFile &sprite) {
  std::string text = "row " + std::to_string(y) + " of the " + std::to_string(frame.width) + " x " +
                     std::to_string(frame.height) + " frame";
  if (!sprite.path.empty())
    text += " in " + sprite.path;
  return text;
}

// The row-edge table is read for every row, so all of it must lie in the data before the
// surfaces are sized from the frame record.
void CheckEdgeTable(const ByteReader &reader, const SLPFrameInfo &frame, const SLPFile &sprite) {
  const std::int64_t bytes = std::int64_t{4} * std::max(frame.height, 0);
  if (!reader.contains(frame.outlineTableOffset, bytes))
    reader.fail("the row-edge table of the " + std::to_string(frame.width) + " x " +
                std::to_string(frame.height) + " frame at offset " +
                std::to_string(frame.outlineTableOffset) + " lies outside the " +
                std::to_string(reader.size()) + " bytes of " +
                (sprite.path.empty() ? std::string("the sprite") : sprite.path));
}

std::size_t CommandStart(const ByteReader &reader, std::int32_t y, const SLPFrameInfo &frame,
                         const SLPFile &sprite) {
  const std::int64_t entry = std::int64_t{frame.commandTableOffset} + std::int64_t{4} * y;
  if (!reader.contains(entry, 4))
    reader.fail("the command-offset entry of " + RowName(y, frame, sprite) + " at offset " +
                std::to_string(entry) + " lies outside the data (" + std::to_string(reader.size()) +
                " bytes)");
  const std::int32_t start = reader.i32At(entry, "command-offset entry");
  if (!reader.contains(start, 0))
    reader.fail("the commands of " + RowName(y, frame, sprite) + " start at offset " +
                std::to_string(start) + ", outside the data (" + std::to_string(reader.size()) +
                " bytes)");
  return static_cast<std::size_t>(start);
}

// Every row that has pixels reads its command offset, so those must all lie in the data too
// before the surfaces are sized: a frame record claiming a vast size over tables the file
// cannot back is refused before anything is allocated for it.
void CheckCommandOffsets(const ByteReader &reader, const SLPFrameInfo &frame,
                         const SLPFile &sprite) {
  for (std::int32_t y = 0; y < frame.height; ++y) {
    const std::int64_t edge = std::int64_t{frame.outlineTableOffset} + std::int64_t{4} * y;
    if (reader.i16At(edge, "row edges") != kEmptyRow)
      CommandStart(reader, y, frame, sprite);
  }
}

} // namespace

void CheckFrameTables(const SLPFile &sprite, const SLPFrameInfo &frame) {
  const ByteReader reader(sprite.bytes, ErrorKind::SpriteRead, sprite.path);
  CheckEdgeTable(reader, frame, sprite);
  CheckCommandOffsets(reader, frame, sprite);
}

bool DecodeSLPFrame(const SLPFile &sprite, const SLPFrameInfo &frame, const PaletteTable &palette,
                    cDIBSection &image, cDIBSection &layerMap, const CancelPoll &cancel,
                    const LayerColours &colours) {
  const ByteReader reader(sprite.bytes, ErrorKind::SpriteRead, sprite.path);
  CheckFrameTables(sprite, frame);
  const bool keptImage = PrepareSurface(image, frame.width, frame.height);
  const bool keptMap = PrepareSurface(layerMap, frame.width, frame.height);
  // A surface of a side of 0 or less has no storage: rows are still read, so a
  // broken table is still reported, but nothing is drawn.
  const bool drawable = image.IsCreated() && layerMap.IsCreated();
  const bool clearTails = drawable && (keptImage || keptMap);
  const std::int64_t width = drawable ? frame.width : 0;
  std::uint8_t scratch[1] = {};
  RowDecoder row(sprite.bytes.data(), sprite.bytes.size(), palette, colours, width,
                 sprite.idleRuns);

  for (std::int32_t y = 0; y < frame.height; ++y) {
    if (cancel && cancel()) {
      for (std::int32_t rest = y; clearTails && rest < frame.height; ++rest) {
        ClearRowTail(image, rest, 0);
        ClearRowTail(layerMap, rest, 0);
      }
      return true;
    }
    const std::int64_t edge = std::int64_t{frame.outlineTableOffset} + std::int64_t{4} * y;
    const std::int16_t left = reader.i16At(edge, "row edges");
    const std::int16_t right = reader.i16At(edge + 2, "row edges");
    std::uint8_t *imageRow = drawable ? image.RowBits(y) : scratch;
    std::uint8_t *mapRow = drawable ? layerMap.RowBits(y) : scratch;
    std::int64_t end = width;
    if (left == kEmptyRow) {
      FillPixels(imageRow, width, colours.transparent);
      FillPixels(mapRow, width, kKeyMagenta);
    } else {
      const std::int64_t margin = std::min<std::int64_t>(left, width);
      if (margin > 0) {
        FillPixels(imageRow, margin, colours.transparent);
        FillPixels(mapRow, margin, kKeyMagenta);
      }
      end = row.decode(imageRow, mapRow, left, right, CommandStart(reader, y, frame, sprite));
    }
    if (clearTails) {
      ClearRowTail(image, y, end);
      ClearRowTail(layerMap, y, end);
    }
  }
  return false;
}

} // namespace tessary
