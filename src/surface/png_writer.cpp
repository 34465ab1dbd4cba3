#include "surface/png_writer.hpp"

#include "common/error.hpp"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

namespace tessary {

namespace {

// Up to 256 distinct RGBA values and, per pixel, the index of its value.
struct PaletteImage {
  std::array<std::uint32_t, 256> colours{}; // as stored in memory: r, g, b, a bytes
  int count = 0;
  int translucent = 0; // entries 0 .. translucent - 1 are the ones that are not opaque
  std::vector<std::uint8_t> indexes;
};

std::uint32_t PixelValue(const std::uint8_t *p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

std::uint8_t AlphaOf(std::uint32_t value) {
  std::uint8_t bytes[4];
  std::memcpy(bytes, &value, 4);
  return bytes[3];
}

// A small open-addressing table from RGBA value to palette index.
class ColourIndex {
public:
  ColourIndex() { keys_.fill(kEmpty); }
  // The index of value, adding it when new; -1 when the palette is already full.
  int find(std::uint32_t value, PaletteImage &out) {
    std::uint32_t slot = (value * 2654435761u) >> (32 - kBits);
    while (true) {
      if (keys_[slot] == value && used_[slot])
        return values_[slot];
      if (!used_[slot]) {
        if (out.count == 256)
          return -1;
        used_[slot] = true;
        keys_[slot] = value;
        values_[slot] = static_cast<std::uint8_t>(out.count);
        out.colours[static_cast<std::size_t>(out.count)] = value;
        return out.count++;
      }
      slot = (slot + 1) & (kSlots - 1);
    }
  }

private:
  static constexpr int kBits = 10;
  static constexpr std::uint32_t kSlots = 1u << kBits;
  static constexpr std::uint32_t kEmpty = 0;
  std::array<std::uint32_t, kSlots> keys_{};
  std::array<std::uint8_t, kSlots> values_{};
  std::array<bool, kSlots> used_{};
};

// Puts the entries that are not opaque first, so that the transparency chunk lists only them;
// the order is otherwise that of first appearance, so equal pictures give equal files.
void TranslucentFirst(PaletteImage &p) {
  std::array<std::uint8_t, 256> moved{};
  std::array<std::uint32_t, 256> colours{};
  int next = 0;
  for (int pass = 0; pass < 2; ++pass)
    for (int i = 0; i < p.count; ++i) {
      const bool opaque = AlphaOf(p.colours[static_cast<std::size_t>(i)]) == 255;
      if (opaque != (pass == 1))
        continue;
      moved[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(next);
      colours[static_cast<std::size_t>(next++)] = p.colours[static_cast<std::size_t>(i)];
      if (!opaque)
        p.translucent = next;
    }
  p.colours = colours;
  bool same = true;
  for (int i = 0; i < p.count; ++i)
    same = same && moved[static_cast<std::size_t>(i)] == i;
  if (!same)
    for (std::uint8_t &index : p.indexes)
      index = moved[index];
}

// The picture as palette indexes, or false when it holds more than 256 distinct values.
bool ToPalette(const RgbaImage &image, PaletteImage &out) {
  const std::size_t pixels = image.pixels.size() / 4;
  out.indexes.resize(pixels);
  ColourIndex index;
  const std::uint8_t *from = image.pixels.data();
  std::uint32_t last = 0;
  int lastIndex = -1;
  for (std::size_t i = 0; i < pixels; ++i, from += 4) {
    const std::uint32_t value = PixelValue(from);
    if (value != last || lastIndex < 0) {
      lastIndex = index.find(value, out);
      if (lastIndex < 0)
        return false;
      last = value;
    }
    out.indexes[i] = static_cast<std::uint8_t>(lastIndex);
  }
  TranslucentFirst(out);
  return true;
}

// What the libpng callbacks share with the encoder: where the file goes and why it failed.
struct Sink {
  std::vector<std::uint8_t> *out = nullptr;
  bool outOfMemory = false;
  char message[200] = {};
};

extern "C" void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto *sink = static_cast<Sink *>(png_get_io_ptr(png));
  try {
    sink->out->insert(sink->out->end(), data, data + length);
  } catch (const std::bad_alloc &) {
    sink->outOfMemory = true;
    png_error(png, "out of memory");
  }
}

extern "C" void NoFlush(png_structp) {}

extern "C" void OnError(png_structp png, png_const_charp message) {
  auto *sink = static_cast<Sink *>(png_get_error_ptr(png));
  std::strncpy(sink->message, message, sizeof sink->message - 1);
  png_longjmp(png, 1);
}

extern "C" void OnWarning(png_structp, png_const_charp) {}

int FilterFlags(PngEncoding::Filter filter) {
  switch (filter) {
  case PngEncoding::Filter::None:
    return PNG_FILTER_NONE;
  case PngEncoding::Filter::Sub:
    return PNG_FILTER_SUB;
  case PngEncoding::Filter::Up:
    return PNG_FILTER_UP;
  case PngEncoding::Filter::Paeth:
    return PNG_FILTER_PAETH;
  case PngEncoding::Filter::Adaptive:
    return PNG_ALL_FILTERS;
  }
  return PNG_FILTER_NONE;
}

int StrategyOf(PngEncoding::Matching matching) {
  return matching == PngEncoding::Matching::RunsOnly ? Z_RLE : Z_DEFAULT_STRATEGY;
}

// Everything the file needs, prepared before libpng runs, so that nothing with a destructor
// lives in the frame that libpng's error handler jumps back to.
struct Plan {
  png_uint_32 width = 0, height = 0;
  int colourType = PNG_COLOR_TYPE_RGBA;
  int filters = PNG_FILTER_NONE;
  int level = 6;
  int strategy = Z_DEFAULT_STRATEGY;
  const std::uint8_t *rows = nullptr;
  std::size_t stride = 0;
  png_color plte[256] = {};
  png_byte trns[256] = {};
  int entries = 0;
  int translucent = 0;
};

// The encoder's memory, kept from picture to picture. Deflate asks for the same few large blocks
// for every picture; handed back to the system each time, they come back as fresh pages the
// system must clear, which costs more than encoding a small sprite frame. One cache serves every
// thread under a lock (a handful of takes per picture): a thread_local one with a destructor is
// freed twice at thread exit by mingw-w64's emulated thread storage, corrupting the heap.
class BlockCache {
public:
  ~BlockCache() {
    for (const Block &b : free_)
      std::free(b.start);
  }
  void *take(std::size_t size) {
    const std::lock_guard guard(lock_);
    for (std::size_t i = 0; i < free_.size(); ++i)
      if (free_[i].size == size) {
        void *start = free_[i].start;
        free_[i] = free_.back();
        free_.pop_back();
        return Payload(start);
      }
    void *start = std::malloc(size + kHeader); // still under the lock; rare after the first
    if (!start)
      return nullptr;
    std::memcpy(start, &size, sizeof size);
    return Payload(start);
  }
  void give(void *payload) {
    if (!payload)
      return;
    void *start = static_cast<char *>(payload) - kHeader;
    std::size_t size;
    std::memcpy(&size, start, sizeof size);
    const std::lock_guard guard(lock_);
    if (free_.size() < kKept)
      free_.push_back({start, size});
    else
      std::free(start);
  }

private:
  static constexpr std::size_t kHeader = alignof(std::max_align_t);
  static constexpr std::size_t kKept = 64; // a few blocks for each of many workers
  struct Block {
    void *start;
    std::size_t size;
  };
  static void *Payload(void *start) { return static_cast<char *>(start) + kHeader; }
  std::mutex lock_;
  std::vector<Block> free_;
};

BlockCache &Blocks() {
  static BlockCache cache;
  return cache;
}

extern "C" png_voidp TakeBlock(png_structp, png_alloc_size_t size) { return Blocks().take(size); }
extern "C" void GiveBlock(png_structp, png_voidp block) { Blocks().give(block); }

// Returns false with sink.message set when libpng fails.
bool RunLibpng(const Plan &plan, Sink &sink) {
  png_structp png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning,
                                              nullptr, TakeBlock, GiveBlock);
  if (!png) {
    sink.outOfMemory = true;
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    sink.outOfMemory = true;
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &sink, AppendBytes, NoFlush);
  png_set_IHDR(png, info, plan.width, plan.height, 8, plan.colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (plan.colourType == PNG_COLOR_TYPE_PALETTE) {
    png_set_PLTE(png, info, plan.plte, plan.entries);
    if (plan.translucent > 0)
      png_set_tRNS(png, info, plan.trns, plan.translucent, nullptr);
  }
  png_set_filter(png, PNG_FILTER_TYPE_BASE, plan.filters);
  png_set_compression_level(png, plan.level);
  png_set_compression_strategy(png, plan.strategy);
  png_write_info(png, info);
  for (png_uint_32 y = 0; y < plan.height; ++y)
    png_write_row(png, plan.rows + static_cast<std::size_t>(y) * plan.stride);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

void FillPalette(const PaletteImage &p, Plan &plan) {
  plan.colourType = PNG_COLOR_TYPE_PALETTE;
  plan.entries = p.count;
  plan.translucent = p.translucent;
  for (int i = 0; i < p.count; ++i) {
    std::uint8_t rgba[4];
    std::memcpy(rgba, &p.colours[static_cast<std::size_t>(i)], 4);
    plan.plte[i] = {rgba[0], rgba[1], rgba[2]};
    plan.trns[i] = rgba[3];
  }
  plan.rows = p.indexes.data();
  plan.stride = static_cast<std::size_t>(plan.width);
}

} // namespace

void EncodePNGInto(const RgbaImage &image, std::vector<std::uint8_t> &out,
                   const PngEncoding &encoding) {
  static const RgbaImage kOneTransparentPixel(1, 1);
  const RgbaImage &source = image.empty() ? kOneTransparentPixel : image;
  Plan plan;
  plan.width = static_cast<png_uint_32>(source.width);
  plan.height = static_cast<png_uint_32>(source.height);
  plan.level = std::clamp(encoding.level, 0, 9);
  PaletteImage palette;
  if (encoding.palette && ToPalette(source, palette)) {
    FillPalette(palette, plan);
    plan.filters = FilterFlags(encoding.paletteFilter);
    plan.strategy = StrategyOf(encoding.paletteMatching);
  } else {
    plan.rows = source.pixels.data();
    plan.stride = static_cast<std::size_t>(source.width) * 4u;
    plan.filters = FilterFlags(encoding.rgbaFilter);
    plan.strategy = StrategyOf(encoding.rgbaMatching);
  }
  out.clear();
  Sink sink;
  sink.out = &out;
  if (RunLibpng(plan, sink))
    return;
  out.clear();
  if (sink.outOfMemory)
    throw OutOfMemoryError();
  throw Error(ErrorKind::Save, {}, std::string("the PNG encoder failed: ") + sink.message);
}

std::vector<std::uint8_t> EncodePNG(const RgbaImage &image, const PngEncoding &encoding) {
  std::vector<std::uint8_t> bytes;
  EncodePNGInto(image, bytes, encoding);
  return bytes;
}

} // namespace tessary
