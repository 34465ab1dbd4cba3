#pragma once

#include "common/limits.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessary {

// The sprite's 32-byte header.
struct SLPHeader {
  std::array<char, 4> version{};
  std::int32_t frameCount = 0;
  std::array<char, 24> comment{};
};

// One 32-byte frame record.
struct SLPFrameInfo {
  std::int32_t commandTableOffset = 0;
  std::int32_t outlineTableOffset = 0;
  std::int32_t paletteOffset = 0;
  std::int32_t properties = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t hotspotX = 0;
  std::int32_t hotspotY = 0;
};

// One row's transparent margins; left == -32768 marks a row with no pixels.
struct RowEdges {
  std::int16_t left = 0;
  std::int16_t right = 0;
};

constexpr int kSLPHeaderSize = 32;
constexpr int kSLPFrameRecordSize = 32;
constexpr std::int16_t kEmptyRow = -32768;

struct IdleRuns;

// A sprite loaded for decoding: its bytes (the whole file, kept in memory so every read is
// bounds-checked against the real length), header and frame table. frames[n - 1] is frame n.
struct SLPFile {
  std::string path;
  std::vector<std::uint8_t> bytes;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  // What the decoder has learnt of the bytes' idle runs, kept for the next frames; filled only
  // for sprites that hold long ones. Not shared between threads.
  mutable std::shared_ptr<IdleRuns> idleRuns;

  std::int32_t frameCount() const { return static_cast<std::int32_t>(frames.size()); }
  // Frame n, counted from 1; throws Error when n is outside 1..frameCount.
  const SLPFrameInfo &frame(std::int32_t n) const;
};

} // namespace tessary
