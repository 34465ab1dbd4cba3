#include "sprite/slp_writer.hpp"
#include "common/paths.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "common/safe_write.hpp"

#include <algorithm>
#include <iterator>

namespace tessary {

namespace {

// The loader reads no sprite file larger than kMaxSpriteFileBytes; a larger one is not written.
std::int32_t CheckedOffset(std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(kMaxSpriteFileBytes))
    throw Error(ErrorKind::Encode, {},
                "the sprite would exceed " + std::to_string(kMaxSpriteFileBytes >> 20) +
                    " MiB, more than a sprite file may hold");
  return static_cast<std::int32_t>(offset);
}

// What a frame adds to the file: per row an edge record, a command offset and the commands.
std::uint64_t FrameBytes(const SLPFrameRows &frame) {
  std::uint64_t bytes = 8ull * frame.rows.size();
  for (const SLPRow &row : frame.rows)
    bytes += row.commands.size();
  return bytes;
}

void WriteHeader(std::uint8_t *header, std::int32_t frameCount, const SLPHeaderText &text) {
  std::copy(text.version.begin(), text.version.end(), header);
  StoreI32(header + 4, frameCount);
  std::copy(text.comment.begin(), text.comment.end(), header + 8);
}

void WriteFrameRecord(std::uint8_t *p, const SLPFrameRows &frame, const SLPRecordExtras &extras,
                      std::int32_t height, std::int32_t commandTable, std::int32_t edgeTable) {
  StoreI32(p + 0, commandTable);
  StoreI32(p + 4, edgeTable);
  StoreI32(p + 8, extras.paletteOffset); // unused by the decoder, kept for the game
  StoreI32(p + 12, extras.properties);
  StoreI32(p + 16, frame.width);
  StoreI32(p + 20, height);
  StoreI32(p + 24, frame.hotspotX);
  StoreI32(p + 28, frame.hotspotY);
}

} // namespace

SLPWriter::SLPWriter(std::size_t frameCount, const SLPHeaderText &text)
    : frameCount_(frameCount), text_(text) {
  if (frameCount == 0)
    throw Error(ErrorKind::Encode, {}, "a sprite needs at least one frame");
  if (frameCount > static_cast<std::size_t>(kMaxFrameCount))
    throw Error(ErrorKind::Encode, {},
                std::to_string(frameCount) + " frames exceed the limit of " +
                    std::to_string(kMaxFrameCount));
  total_ = kSLPHeaderSize + std::uint64_t{kSLPFrameRecordSize} * frameCount;
  frames_.reserve(frameCount);
  extras_.reserve(frameCount);
}

void SLPWriter::Add(SLPFrameRows frame, const SLPRecordExtras &extras) {
  if (frames_.size() == frameCount_)
    throw Error(ErrorKind::Encode, {},
                "more frames than the " + std::to_string(frameCount_) +
                    " the sprite was started with");
  total_ += FrameBytes(frame);
  CheckedOffset(total_);
  frames_.push_back(std::move(frame));
  extras_.push_back(extras);
}

std::vector<std::uint8_t> SLPWriter::Finish() const {
  if (frames_.size() != frameCount_)
    throw Error(ErrorKind::Encode, {},
                std::to_string(frames_.size()) + " of the " + std::to_string(frameCount_) +
                    " frames were given");
  // Every count and offset below is at most total_, which Add() kept within
  // kMaxSpriteFileBytes, so each fits the format's signed 32-bit fields.
  const std::size_t tableEnd = kSLPHeaderSize + std::size_t{kSLPFrameRecordSize} * frameCount_;
  std::vector<std::uint8_t> out(tableEnd, 0);
  out.reserve(static_cast<std::size_t>(total_));
  WriteHeader(out.data(), CheckedOffset(frameCount_), text_);
  for (std::size_t n = 0; n < frames_.size(); ++n) {
    const SLPFrameRows &frame = frames_[n];
    const SLPRecordExtras &extras = extras_[n];
    const std::int32_t height = extras.recordHeight.value_or(CheckedOffset(frame.rows.size()));
    const std::size_t edgeTable = out.size();
    const std::size_t commandTable = edgeTable + 4 * frame.rows.size();
    WriteFrameRecord(out.data() + kSLPHeaderSize + std::size_t{kSLPFrameRecordSize} * n, frame,
                     extras, height, CheckedOffset(commandTable), CheckedOffset(edgeTable));
    out.resize(out.size() + 8 * frame.rows.size());
    for (std::size_t y = 0; y < frame.rows.size(); ++y) {
      const SLPRow &row = frame.rows[y];
      StoreI16(out.data() + edgeTable + 4 * y, row.edges.left);
      StoreI16(out.data() + edgeTable + 4 * y + 2, row.edges.right);
      StoreI32(out.data() + commandTable + 4 * y, CheckedOffset(out.size()));
      out.insert(out.end(), row.commands.begin(), row.commands.end());
    }
  }
  return out;
}

void SaveSLP(const std::string &path, const std::vector<std::uint8_t> &bytes) {
  WriteFileSafely(PathOf(path), bytes, ErrorKind::Save);
}

} // namespace tessary
