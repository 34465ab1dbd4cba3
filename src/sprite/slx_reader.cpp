#include "sprite/slx_reader.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "common/limits.hpp"
#include "common/paths.hpp"
#include "sprite/slp_records.hpp"
#include "surface/bmp_reader.hpp"

#include <charconv>

namespace tessary {

namespace {

constexpr char kMagicLine[] = "SLX 0.5";

// The index split into lines, each without its line end.
class SLXLines {
public:
  SLXLines(std::string_view text, std::string name) : name_(std::move(name)) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos)
        end = text.size();
      std::string_view line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
      lines_.push_back(line);
      start = end + 1;
    }
  }

  // The next line; throws when the index ends before `what` is found.
  std::string_view next(const std::string &what) {
    if (position_ >= lines_.size())
      fail("the file ends after line " + std::to_string(lines_.size()) + ", where " + what +
           " should follow");
    return lines_[position_++];
  }
  std::size_t lineNumber() const { return position_; }
  // Whatever follows the last frame may only be blank lines.
  void expectEnd() {
    for (; position_ < lines_.size(); ++position_)
      if (!lines_[position_].empty())
        fail("line " + std::to_string(position_ + 1) +
             " follows the last frame the frame count announces");
  }
  [[noreturn]] void fail(const std::string &why) const {
    throw Error(ErrorKind::SLXRead, name_, name_ + ": " + why);
  }

private:
  std::string name_;
  std::vector<std::string_view> lines_;
  std::size_t position_ = 0;
};

bool ParseInt(std::string_view text, std::int32_t &value) {
  if (text.empty() || text.front() == '+')
    return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

std::int32_t ReadFrameCount(SLXLines &lines) {
  const std::string_view line = lines.next("the frame count");
  std::int32_t count = 0;
  if (!ParseInt(line, count))
    lines.fail("line 2 \"" + std::string(line) + "\" is no frame count");
  if (count < 1 || count > kMaxFrameCount)
    lines.fail("frame count " + std::to_string(count) + " lies outside 1.." +
               std::to_string(kMaxFrameCount));
  return count;
}

void ReadHotspot(SLXLines &lines, std::int32_t frame, SLXFrameEntry &entry) {
  const std::string_view line = lines.next("the hotspot of frame " + std::to_string(frame));
  const auto comma = line.find(',');
  if (comma == std::string_view::npos || !ParseInt(line.substr(0, comma), entry.hotspotX) ||
      !ParseInt(line.substr(comma + 1), entry.hotspotY))
    lines.fail("line " + std::to_string(lines.lineNumber()) + " \"" + std::string(line) +
               "\" is no hotspot \"x,y\" (frame " + std::to_string(frame) + ")");
}

// Bitmap names are plain file names beside the index; a folder part could reach anywhere.
std::string ReadBitmapName(SLXLines &lines, std::int32_t frame, const char *which) {
  const std::string_view line =
      lines.next("the " + std::string(which) + " name of frame " + std::to_string(frame));
  const std::string name(line);
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of(std::string("\\/\0", 3)) != std::string::npos)
    lines.fail("line " + std::to_string(lines.lineNumber()) + " \"" + name + "\" is no " + which +
               " file name (frame " + std::to_string(frame) +
               "); bitmaps are named without a folder");
  return name;
}

void CheckSameSize(const SLXFrameEntry &entry, const std::string &folder, std::int32_t n,
                   std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t layerWidth,
                   std::int32_t layerHeight) {
  if (imageWidth != layerWidth || imageHeight != layerHeight)
    throw Error(ErrorKind::SLXRead, folder + entry.imageName,
                "frame " + std::to_string(n) + ": image " + entry.imageName + " is " +
                    std::to_string(imageWidth) + " x " + std::to_string(imageHeight) +
                    " but layer map " + entry.layerName + " is " + std::to_string(layerWidth) +
                    " x " + std::to_string(layerHeight));
}

// What the frame's two bitmaps will take once read: two arrays of one colour per pixel.
std::int64_t CheckFrameBitmaps(const SLXFrameEntry &entry, const std::string &folder,
                               std::int32_t n) {
  const BmpSize layer = ReadBMPSize(folder + entry.layerName);
  const BmpSize image = ReadBMPSize(folder + entry.imageName);
  CheckSameSize(entry, folder, n, image.width, image.height, layer.width, layer.height);
  if (image.width > kMaxFrameColumns || image.height > kMaxFrameRows ||
      !FitsOneSurface(image.width, image.height))
    throw Error(ErrorKind::SLXRead, folder + entry.imageName,
                "frame " + std::to_string(n) + ": " + entry.imageName + " is " +
                    std::to_string(image.width) + " x " + std::to_string(image.height) +
                    " pixels, more than a frame may hold (" + std::to_string(kMaxFrameColumns) +
                    " columns, " + std::to_string(kMaxFrameRows) + " rows, " +
                    std::to_string(kMaxSurfaceBytes >> 20) + " MiB of pixels)");
  return std::int64_t{image.width} * image.height * 2 * std::int64_t{sizeof(Colour)};
}

// Every bitmap's size is known from its headers, so a sprite too large to hold is refused
// before any pixel is read.
void CheckAllBitmaps(const std::vector<SLXFrameEntry> &entries, const std::string &folder,
                     const std::string &path) {
  std::int64_t total = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    total += CheckFrameBitmaps(entries[i], folder, static_cast<std::int32_t>(i + 1));
    if (total > kMaxEncodePixelBytes)
      throw Error(ErrorKind::SLXRead, path,
                  path + ": the bitmaps of frames 1 to " + std::to_string(i + 1) + " of " +
                      std::to_string(entries.size()) + " already take more than " +
                      std::to_string(kMaxEncodePixelBytes >> 20) +
                      " MiB as pixels, more than one sprite may be built from");
  }
}

EncoderFrame LoadFrame(const SLXFrameEntry &entry, const std::string &folder, std::int32_t n) {
  BmpImage layer = ReadBMP(folder + entry.layerName);
  BmpImage image = ReadBMP(folder + entry.imageName);
  // Checked again: the files may have changed since their headers were read.
  CheckSameSize(entry, folder, n, image.width, image.height, layer.width, layer.height);
  EncoderFrame frame;
  frame.hotspotX = entry.hotspotX;
  frame.hotspotY = entry.hotspotY;
  frame.width = image.width;
  frame.height = image.height;
  frame.image = std::move(image.pixels);
  frame.layer = std::move(layer.pixels);
  return frame;
}

} // namespace

std::vector<SLXFrameEntry> ParseSLX(std::string_view text, const std::string &name) {
  SLXLines lines(text, name);
  const std::string_view magic = lines.next("\"SLX 0.5\"");
  if (magic != kMagicLine)
    lines.fail("line 1 reads \"" + std::string(magic.substr(0, 40)) + "\", not \"" + kMagicLine +
               "\"");
  const std::int32_t count = ReadFrameCount(lines);
  std::vector<SLXFrameEntry> entries(static_cast<std::size_t>(count)); // count is 1..32767
  for (std::int32_t n = 1; n <= count; ++n) {
    SLXFrameEntry &entry = entries[static_cast<std::size_t>(n - 1)];
    ReadHotspot(lines, n, entry);
    entry.layerName = ReadBitmapName(lines, n, "layer-map bitmap");
    entry.imageName = ReadBitmapName(lines, n, "image bitmap");
  }
  lines.expectEnd();
  return entries;
}

std::vector<SLXFrameEntry> ReadSLXIndex(const std::string &path) {
  return ParseSLX(
      ReadWholeFile(PathOf(path), static_cast<std::uint64_t>(kMaxSLXFileBytes), ErrorKind::SLXRead),
      path);
}

std::vector<EncoderFrame> ReadSLX(const std::string &path) {
  const std::vector<SLXFrameEntry> entries = ReadSLXIndex(path);
  const std::string folder = FolderOfPath(path);
  CheckAllBitmaps(entries, folder, path);
  std::vector<EncoderFrame> frames;
  frames.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    frames.push_back(LoadFrame(entries[i], folder, static_cast<std::int32_t>(i + 1)));
  return frames;
}

} // namespace tessary
