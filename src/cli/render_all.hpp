#pragma once

#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/exports.hpp"

#include <cstdint>
#include <iosfwd>
#include <string>

// Every frame of every sprite of an archive as pictures, on every core.
namespace tessary::cli {

struct RenderAllSettings {
  std::string archive;
  std::string folder;
  PictureFormat format = PictureFormat::Png;
  unsigned jobs = 0; // 0: one per core
  PaletteTable palette{};
  std::string paletteFile; // the file the palette came from, never written onto; may be empty
  DisplayOptions options;
  bool force = false;
  bool progressOnTerminal = false; // err is a terminal: show the progress line there
  // A sprite whose frames hold more pixels than this is split into runs of frames of about this
  // many pixels, decoded on several workers at once, so that one big sprite does not keep one
  // core busy while the others idle.
  std::int64_t piecePixels = std::int64_t{1} << 20;
};

struct RenderAllSummary {
  std::int64_t sprites = 0; // sprites whose pictures were written
  std::int64_t frames = 0;  // pictures written
  std::int64_t skipped = 0; // sprites that could not be decoded
  double seconds = 0;
};

// Writes FOLDER/ID/NNN.png (or .bmp) for every frame of every sprite, the bytes `frame` writes
// for it; a repeated identifier's folder is ID-2, ID-3, ... Each sprite's folder appears as one
// set of files. A sprite that cannot be decoded is named on err and skipped. A failure to write
// removes every file and folder this call made and throws Error(ErrorKind::Save, ...); an archive
// that cannot be read throws before anything is written. Prints nothing else: the caller
// prints the summary.
RenderAllSummary RenderAll(const RenderAllSettings &settings, std::ostream &err);

// "N sprites, M frames, K skipped in T s".
std::string SummaryLine(const RenderAllSummary &summary);

// The workers a --jobs of 0 stands for: one per core.
unsigned DefaultJobs();

} // namespace tessary::cli
