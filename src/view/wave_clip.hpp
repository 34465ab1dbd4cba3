#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tessary::view {

// The PCM samples of a WAV file, as they lie in its "data" chunk (little-endian, interleaved).
struct WaveClip {
  int rate = 0;          // frames per second
  int channels = 0;      // 1 or 2
  int bitsPerSample = 0; // 8 (unsigned) or 16 (signed)
  std::vector<std::uint8_t> samples;

  int bytesPerFrame() const { return channels * bitsPerSample / 8; }
  std::size_t frames() const {
    return bytesPerFrame() > 0 ? samples.size() / static_cast<std::size_t>(bytesPerFrame()) : 0;
  }
};

// Reads a RIFF WAVE file whose "fmt " chunk (at least 16 bytes, plain PCM, 8 or 16 bits, one or
// two channels) comes before a "data" chunk that lies wholly inside the bytes. Anything else
// gives nothing: it is not a sound this program plays. A trailing part frame is left out.
std::optional<WaveClip> DecodeWave(std::span<const std::uint8_t> bytes);

} // namespace tessary::view
