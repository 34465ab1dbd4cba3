#pragma once

#include "common/error.hpp"
#include "sprite/slp_records.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessary {

// One row as the encoder made it: its transparent margins and its drawing commands, ended by
// the end-of-row command.
struct SLPRow {
  RowEdges edges;
  std::vector<std::uint8_t> commands;
};

// One frame ready to be laid out: the values of its frame record and one row per line.
struct SLPFrameRows {
  std::int32_t width = 0;
  std::int32_t hotspotX = 0;
  std::int32_t hotspotY = 0;
  std::vector<SLPRow> rows;
};

// The values of a frame record that its rows do not decide: 0 unless they are kept from a sprite.
struct SLPRecordExtras {
  std::int32_t paletteOffset = 0;
  std::int32_t properties = 0;
  // The record's height where it is not the number of rows: a frame without pixels whose
  // height is 0 or less.
  std::optional<std::int32_t> recordHeight;
};

// The header's text fields: what the encoder writes unless told otherwise.
struct SLPHeaderText {
  std::array<char, 4> version{'2', '.', '0', 'N'};
  std::array<char, 24> comment{'T', 'e', 's', 's', 'a', 'r', 'y', ' ', 'S', 'L',
                               'P', ' ', 'e', 'n', 'c', 'o', 'd', 'e', 'r'};
};

// Lays out the bytes of a sprite: the header, the frame table, and for each frame its edge
// table, its command-offset table and its rows' commands. Frames are added in order; each one
// is measured as it comes, so a sprite too large for the loader is refused before the next
// frame is encoded.
class SLPWriter {
public:
  // Throws Error(ErrorKind::Encode, {}, detail) for no frames or more than kMaxFrameCount.
  explicit SLPWriter(std::size_t frameCount, const SLPHeaderText &text = {});

  // Throws Error(ErrorKind::Encode, {}, detail) once the sprite would exceed kMaxSpriteFileBytes,
  // or when more frames are added than were announced.
  void Add(SLPFrameRows frame, const SLPRecordExtras &extras = {});

  // The whole sprite. Throws Error(ErrorKind::Encode, {}, detail) when fewer frames were added than
  // were announced.
  std::vector<std::uint8_t> Finish() const;

private:
  std::size_t frameCount_;
  SLPHeaderText text_;
  std::uint64_t total_;
  std::vector<SLPFrameRows> frames_;
  std::vector<SLPRecordExtras> extras_;
};

// Writes a sprite's bytes to path through a temporary file in the same folder that replaces
// path only once everything is written, so a failure leaves any earlier file untouched and no
// partial file behind. Throws Error(ErrorKind::Save, path, detail naming the file and the
// cause).
void SaveSLP(const std::string &path, const std::vector<std::uint8_t> &bytes);

} // namespace tessary
