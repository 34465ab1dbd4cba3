#include "sprite/slp_loader.hpp"
#include "common/paths.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"

#include <utility>

namespace tessary {

namespace {

std::string FrameName(std::int32_t n, const std::string &path) {
  std::string text = "frame " + std::to_string(n);
  if (!path.empty())
    text += " of " + path;
  return text;
}

// Every refusal is about the sprite as the caller named it (a file, or an archive's entry).
[[noreturn]] void Refuse(const std::string &path, const std::string &detail) {
  throw Error(ErrorKind::SpriteRead, path, detail);
}

SLPHeader ReadHeader(ByteReader &reader) {
  SLPHeader header;
  reader.bytes({reinterpret_cast<std::uint8_t *>(header.version.data()), header.version.size()},
               "sprite header");
  header.frameCount = reader.i32("sprite header");
  reader.bytes({reinterpret_cast<std::uint8_t *>(header.comment.data()), header.comment.size()},
               "sprite header");
  return header;
}

SLPFrameInfo ReadFrameRecord(ByteReader &reader) {
  SLPFrameInfo f;
  f.commandTableOffset = reader.i32("frame record");
  f.outlineTableOffset = reader.i32("frame record");
  f.paletteOffset = reader.i32("frame record");
  f.properties = reader.i32("frame record");
  f.width = reader.i32("frame record");
  f.height = reader.i32("frame record");
  f.hotspotX = reader.i32("frame record");
  f.hotspotY = reader.i32("frame record");
  return f;
}

// Row and column counters of the format are signed 16-bit and the row tables are indexed in
// 16 bits, which is what bounds a frame; the storage cap keeps a frame record that merely claims
// a vast size from reserving gigabytes for two surfaces. A width or height of 0 or less is a
// frame that draws nothing (no row, or no surface to draw on), so it is taken as it is.
void CheckFrameSize(const SLPFrameInfo &f, std::int32_t n, const std::string &path) {
  const std::string where = FrameName(n, path);
  if (f.height > kMaxFrameRows)
    Refuse(path, where + " has " + std::to_string(f.height) + " rows, more than " +
                     std::to_string(kMaxFrameRows));
  if (f.width > kMaxFrameColumns)
    Refuse(path, where + " has " + std::to_string(f.width) + " columns, more than " +
                     std::to_string(kMaxFrameColumns));
  if (f.width <= 0 || f.height <= 0)
    return;
  if (!FitsOneSurface(f.width, f.height))
    Refuse(path, where + " is " + std::to_string(f.width) + " x " + std::to_string(f.height) +
                     " pixels, more than one picture of " + std::to_string(kMaxSurfaceBytes >> 20) +
                     " MiB holds");
}

} // namespace

const SLPFrameInfo &SLPFile::frame(std::int32_t n) const {
  if (n < 1 || n > frameCount())
    throw Error(ErrorKind::SpriteRead, path,
                "there is no frame " + std::to_string(n) +
                    (path.empty() ? std::string() : " in " + path) + " (frames 1 to " +
                    std::to_string(frameCount()) + ")");
  return frames[static_cast<std::size_t>(n - 1)];
}

namespace {

SLPFile ParseOwned(std::vector<std::uint8_t> bytes, const std::string &path) {
  SLPFile sprite;
  sprite.path = path;
  sprite.bytes = std::move(bytes);
  ByteReader reader(sprite.bytes, ErrorKind::SpriteRead, path);
  if (reader.size() < static_cast<std::size_t>(kSLPHeaderSize))
    Refuse(path, (path.empty() ? std::string("the sprite") : path) + " is " +
                     std::to_string(reader.size()) + " bytes long, shorter than a sprite header");
  sprite.header = ReadHeader(reader);
  const std::int32_t count = sprite.header.frameCount;
  if (count < 1 || count > kMaxFrameCount)
    Refuse(path, (path.empty() ? std::string("the sprite") : path) + " declares " +
                     std::to_string(count) + " frames (1 to " + std::to_string(kMaxFrameCount) +
                     " are possible)");
  const std::int64_t tableBytes = static_cast<std::int64_t>(count) * kSLPFrameRecordSize;
  if (!reader.contains(kSLPHeaderSize, tableBytes))
    Refuse(path, "the table of " + std::to_string(count) + " frame records" +
                     (path.empty() ? std::string() : " of " + path) +
                     " runs past the end of the file (" + std::to_string(reader.size()) +
                     " bytes)");
  sprite.frames.reserve(static_cast<std::size_t>(count));
  for (std::int32_t n = 1; n <= count; ++n) {
    sprite.frames.push_back(ReadFrameRecord(reader));
    CheckFrameSize(sprite.frames.back(), n, path);
  }
  return sprite;
}

} // namespace

SLPFile ParseSLP(std::span<const std::uint8_t> bytes, const std::string &path) {
  return ParseOwned({bytes.begin(), bytes.end()}, path);
}

SLPFile ParseSLP(std::vector<std::uint8_t> &&bytes, const std::string &name) {
  return ParseOwned(std::move(bytes), name);
}

SLPFile LoadSLPInfo(const std::string &path) {
  const std::string data = ReadWholeFile(
      PathOf(path), static_cast<std::uint64_t>(kMaxSpriteFileBytes), ErrorKind::SpriteRead);
  return ParseOwned({data.begin(), data.end()}, path);
}

} // namespace tessary
