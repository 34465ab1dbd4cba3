// Decode + recolour of one 512 x 512 frame of three kinds (run-heavy, copy-heavy, mixed),
// compared in the same run with memcpy copying as many bytes as the two surfaces hold.
// Counters: pixels_per_s (mean), best_pixels_per_s, and vs_memcpy = best decode rate / best
// memcpy rate (goals: run-heavy at least 1/3, copy-heavy at least 1/8).
#include "common/bounded_reader.hpp"
#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_loader.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace {

using namespace tessary;

constexpr std::int32_t kSide = 512;

// Each row gets its own copy of the commands, as in a real sprite.
std::vector<std::uint8_t> BuildFrame(const std::vector<std::vector<std::uint8_t>> &rows) {
  std::vector<std::uint8_t> b(32 + 32, 0);
  StoreI32(b.data() + 4, 1);
  const auto edges = static_cast<std::int32_t>(b.size());
  b.resize(b.size() + 4 * kSide, 0); // edges all 0
  const auto offsets = static_cast<std::int32_t>(b.size());
  b.resize(b.size() + 4 * kSide, 0);
  for (std::int32_t y = 0; y < kSide; ++y) {
    StoreI32(b.data() + offsets + 4 * y, static_cast<std::int32_t>(b.size()));
    const auto &row = rows[static_cast<std::size_t>(y) % rows.size()];
    b.insert(b.end(), row.begin(), row.end());
  }
  StoreI32(b.data() + 32, offsets);
  StoreI32(b.data() + 36, edges);
  StoreI32(b.data() + 48, kSide);
  StoreI32(b.data() + 52, kSide);
  return b;
}

// Long fills, shadows, player fills and skips: 512 pixels in 7 commands.
std::vector<std::uint8_t> RunHeavyRow(int y) {
  const auto i = static_cast<std::uint8_t>(y);
  return {0x01, 64, 0x07, 200, i, 0x0B, 48, 0x0A, 100, i, 0x03, 60, 0x7E, 40, 0x0F};
}

// Two long copies of 256 varied indexes each.
std::vector<std::uint8_t> CopyHeavyRow(int y) {
  std::vector<std::uint8_t> row;
  for (int half = 0; half < 2; ++half) {
    row.push_back(0x12);
    row.push_back(0x00);
    for (int x = 0; x < 256; ++x)
      row.push_back(static_cast<std::uint8_t>(x * 7 + y * 3 + half * 11));
  }
  row.push_back(0x0F);
  return row;
}

// Short copies, short fills, skips, outlines and player copies, 64 pixels per round.
std::vector<std::uint8_t> MixedRow(int y) {
  std::vector<std::uint8_t> row;
  for (int round = 0; round < 8; ++round) {
    const auto i = static_cast<std::uint8_t>(y + round);
    row.insert(row.end(), {0x50,
                           i,
                           static_cast<std::uint8_t>(i + 1),
                           static_cast<std::uint8_t>(i + 2),
                           static_cast<std::uint8_t>(i + 3),
                           static_cast<std::uint8_t>(i + 4),
                           static_cast<std::uint8_t>(i + 5),
                           static_cast<std::uint8_t>(i + 6),
                           static_cast<std::uint8_t>(i + 7),
                           static_cast<std::uint8_t>(i + 8),
                           static_cast<std::uint8_t>(i + 9),
                           static_cast<std::uint8_t>(i + 10),
                           static_cast<std::uint8_t>(i + 11),
                           static_cast<std::uint8_t>(i + 12),
                           static_cast<std::uint8_t>(i + 13),
                           static_cast<std::uint8_t>(i + 14),
                           static_cast<std::uint8_t>(i + 15),
                           static_cast<std::uint8_t>(i + 16),
                           static_cast<std::uint8_t>(i + 17),
                           static_cast<std::uint8_t>(i + 18),
                           static_cast<std::uint8_t>(i + 19)}); // 20 copied
    row.insert(row.end(), {0xF7, i});                           // 15 filled
    row.insert(row.end(), {0x21});                              // 8 skipped
    row.insert(row.end(), {0x4E, 0x6E});                        // 2 outline
    row.insert(row.end(), {0x56, 1, 2, 3, 4, 5});               // 5 player copied
    row.insert(row.end(), {0x5B});                              // 5 shadow
    row.insert(row.end(), {0x5E, 9});                           // 9 outline
  }
  row.push_back(0x0F);
  return row;
}

template <typename RowMaker> std::vector<std::uint8_t> Frame(RowMaker make) {
  std::vector<std::vector<std::uint8_t>> rows;
  for (int y = 0; y < kSide; ++y)
    rows.push_back(make(y));
  return BuildFrame(rows);
}

// Seconds per memcpy of `bytes`, the best of several timed batches.
double MemcpySeconds(std::size_t bytes) {
  std::vector<std::uint8_t> from(bytes, 0x5A), to(bytes);
  double best = 1e9;
  for (int batch = 0; batch < 20; ++batch) {
    constexpr int kCopies = 20;
    const auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < kCopies; ++k) {
      std::memcpy(to.data(), from.data(), bytes);
      benchmark::DoNotOptimize(to.data());
      benchmark::ClobberMemory();
    }
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count() / kCopies);
  }
  return best;
}

enum class Pass { Fused, DecodeThenRecolour };

// Fused is what the frame display runs (the decoder writes the chosen colours directly); the
// two-pass form decodes the raw image and then recolours it through the layer map.
void DecodeAndRecolour(benchmark::State &state, const std::vector<std::uint8_t> &bytes, Pass pass) {
  const SLPFile sprite = ParseSLP(bytes, "bench");
  const PaletteTable palette = DefaultPalette();
  const DisplayOptions options;
  const LayerColours chosen = ChosenColours(options);
  cDIBSection image, layerMap;
  DecodeSLPFrame(sprite, sprite.frame(1), palette, image, layerMap);
  const double memcpySeconds = MemcpySeconds(image.BitsSize() + layerMap.BitsSize());

  // The machine may be shared: both rates are taken from their fastest pass, so that the ratio
  // compares the two at their best rather than whatever else ran meanwhile.
  double decodeSeconds = 1e9;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (pass == Pass::Fused) {
      DecodeSLPFrame(sprite, sprite.frame(1), palette, image, layerMap, {}, chosen);
    } else {
      DecodeSLPFrame(sprite, sprite.frame(1), palette, image, layerMap);
      Recolour(image, layerMap, options);
    }
    benchmark::DoNotOptimize(image.Bits());
    benchmark::ClobberMemory();
    const auto t1 = std::chrono::steady_clock::now();
    decodeSeconds = std::min(decodeSeconds, std::chrono::duration<double>(t1 - t0).count());
  }
  const double pixels = double{kSide} * kSide;
  state.counters["pixels_per_s"] = benchmark::Counter(
      pixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["best_pixels_per_s"] = pixels / decodeSeconds;
  state.counters["vs_memcpy"] = memcpySeconds / decodeSeconds;
}

const std::vector<std::uint8_t> &RunHeavy() {
  static const auto frame = Frame(RunHeavyRow);
  return frame;
}
const std::vector<std::uint8_t> &CopyHeavy() {
  static const auto frame = Frame(CopyHeavyRow);
  return frame;
}
const std::vector<std::uint8_t> &Mixed() {
  static const auto frame = Frame(MixedRow);
  return frame;
}

void BM_RunHeavy(benchmark::State &s) { DecodeAndRecolour(s, RunHeavy(), Pass::Fused); }
void BM_CopyHeavy(benchmark::State &s) { DecodeAndRecolour(s, CopyHeavy(), Pass::Fused); }
void BM_Mixed(benchmark::State &s) { DecodeAndRecolour(s, Mixed(), Pass::Fused); }
void BM_RunHeavyTwoPass(benchmark::State &s) {
  DecodeAndRecolour(s, RunHeavy(), Pass::DecodeThenRecolour);
}
void BM_CopyHeavyTwoPass(benchmark::State &s) {
  DecodeAndRecolour(s, CopyHeavy(), Pass::DecodeThenRecolour);
}
void BM_MixedTwoPass(benchmark::State &s) {
  DecodeAndRecolour(s, Mixed(), Pass::DecodeThenRecolour);
}

BENCHMARK(BM_RunHeavy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyHeavy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Mixed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RunHeavyTwoPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyHeavyTwoPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixedTwoPass)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
