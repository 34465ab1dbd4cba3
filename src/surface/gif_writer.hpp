#pragma once

#include "common/colour.hpp"

#include <cstdint>
#include <memory>
#include <vector>

namespace tessary {

// An animated GIF89a built frame by frame in memory: every frame covers the whole picture, is
// cleared to the background when its time is up (disposal 2), and takes colour 0 of its own
// colour table as transparent. The animation loops for ever.
class GifEncoder {
public:
  // Throws Error(ErrorKind::Save, ...) when the encoder cannot start.
  GifEncoder(std::int32_t width, std::int32_t height, std::int32_t delayHundredths);
  ~GifEncoder();
  GifEncoder(const GifEncoder &) = delete;
  GifEncoder &operator=(const GifEncoder &) = delete;

  // indexes: width * height colour indexes, top row first; colours: the frame's table, at most
  // 256 entries, entry 0 the transparent one.
  void AddFrame(const std::vector<std::uint8_t> &indexes, const std::vector<Colour> &colours);
  // The finished file. Nothing may be added after.
  std::vector<std::uint8_t> Finish();

  struct State;

private:
  std::unique_ptr<State> state_;
};

} // namespace tessary
