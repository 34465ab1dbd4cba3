#include "view/wave_clip.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"

#include <cstring>
#include <string>

namespace tessary::view {

namespace {

constexpr int kPcmFormat = 1;
// Rates outside this range are no real recording; an audio output would refuse or choke on them.
constexpr std::int32_t kLowestRate = 1000;
constexpr std::int32_t kHighestRate = 192000;

bool IsTag(const std::uint8_t (&tag)[4], const char *name) {
  return std::memcmp(tag, name, 4) == 0;
}

struct Format {
  int tag = 0, channels = 0, bits = 0;
  std::int32_t rate = 0;
};

Format ReadFormat(ByteReader &reader) {
  Format format;
  format.tag = static_cast<std::uint16_t>(reader.i16("format tag"));
  format.channels = static_cast<std::uint16_t>(reader.i16("channel count"));
  format.rate = reader.i32("sample rate");
  reader.i32("byte rate");   // follows from the rest; not trusted
  reader.i16("block align"); // likewise
  format.bits = static_cast<std::uint16_t>(reader.i16("bits per sample"));
  return format;
}

bool Playable(const Format &format) {
  return format.tag == kPcmFormat && (format.channels == 1 || format.channels == 2) &&
         (format.bits == 8 || format.bits == 16) && format.rate >= kLowestRate &&
         format.rate <= kHighestRate;
}

std::optional<WaveClip> ReadChunks(ByteReader &reader) {
  std::uint8_t tag[4];
  reader.bytes(tag, "RIFF tag");
  reader.i32("RIFF size"); // the chunks themselves say how far the file goes
  if (!IsTag(tag, "RIFF"))
    return std::nullopt;
  reader.bytes(tag, "WAVE tag");
  if (!IsTag(tag, "WAVE"))
    return std::nullopt;
  std::optional<Format> format;
  while (reader.remaining() >= 8) {
    reader.bytes(tag, "chunk tag");
    const auto size = static_cast<std::uint32_t>(reader.i32("chunk size"));
    const auto body = static_cast<std::int64_t>(reader.position());
    if (!reader.contains(body, size))
      return std::nullopt; // the chunk runs past the end: a cut copy
    if (IsTag(tag, "fmt ")) {
      if (size < 16)
        return std::nullopt;
      format = ReadFormat(reader);
    } else if (IsTag(tag, "data")) {
      if (!format || !Playable(*format))
        return std::nullopt;
      WaveClip clip{format->rate, format->channels, format->bits, {}};
      const auto frameBytes = static_cast<std::uint32_t>(clip.bytesPerFrame());
      clip.samples.resize(size - size % frameBytes);
      reader.bytes(clip.samples, "samples");
      return clip;
    }
    // Chunks are padded to an even length; the pad byte of the last one may be missing.
    const std::int64_t next = body + size + (size & 1u);
    reader.seek(std::min<std::int64_t>(next, static_cast<std::int64_t>(reader.size())), "chunk");
  }
  return std::nullopt;
}

} // namespace

std::optional<WaveClip> DecodeWave(std::span<const std::uint8_t> bytes) {
  ByteReader reader(bytes, ErrorKind::SoundRead, {});
  try {
    return ReadChunks(reader);
  } catch (const Error &) {
    return std::nullopt; // a header cut short
  }
}

} // namespace tessary::view
