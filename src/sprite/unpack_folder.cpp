#include "sprite/unpack_folder.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "common/limits.hpp"
#include "common/paths.hpp"
#include "surface/png_reader.hpp"

#include <nlohmann/json.hpp>

#include <limits>

namespace tessary {

namespace {

using Json = nlohmann::json;

// sprite.json holds a few hundred bytes per frame; nothing near this is a real one.
constexpr std::uint64_t kMaxIndexFileBytes = std::uint64_t{64} << 20;

class IndexReader {
public:
  explicit IndexReader(const std::string &name) : name_(name) {}

  [[noreturn]] void fail(const std::string &where, const std::string &why) const {
    throw Error(ErrorKind::Encode, name_, name_ + ": " + where + why);
  }

  const Json &member(const Json &object, const char *key, const std::string &where) const {
    const auto found = object.find(key);
    if (found == object.end())
      fail(where, std::string("the key \"") + key + "\" is missing");
    return *found;
  }

  std::int64_t whole(const Json &object, const char *key, const std::string &where,
                     std::int64_t low, std::int64_t high) const {
    const Json &value = member(object, key, where);
    const auto refuse = [&] {
      fail(where, std::string("\"") + key + "\" must be a whole number from " +
                      std::to_string(low) + " to " + std::to_string(high) + ", not " +
                      value.dump());
    };
    if (value.is_number_unsigned()) {
      const auto n = value.get<std::uint64_t>();
      if (n > static_cast<std::uint64_t>(high))
        refuse();
      return static_cast<std::int64_t>(n);
    }
    if (!value.is_number_integer())
      refuse();
    const auto n = value.get<std::int64_t>();
    if (n < low || n > high)
      refuse();
    return n;
  }

  std::int32_t field(const Json &object, const char *key, const std::string &where) const {
    return static_cast<std::int32_t>(whole(object, key, where,
                                           std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max()));
  }

  // One header byte per character: the text must use only U+0000 ... U+00FF and fit the field;
  // the rest of the field is zero.
  template <std::size_t N>
  std::array<char, N> headerText(const Json &object, const char *key) const {
    const Json &value = member(object, key, {});
    if (!value.is_string())
      fail({}, std::string("\"") + key + "\" must be text, not " + value.dump());
    const auto &text = value.get_ref<const std::string &>();
    std::array<char, N> bytes{};
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto lead = static_cast<unsigned char>(text[i]);
      unsigned byte = lead;
      if (lead >= 0x80) {
        // The parser has checked the UTF-8; only two-byte sequences of U+0080 ... U+00FF fit.
        if ((lead & 0xE0) != 0xC0 || lead > 0xC3 || i + 1 >= text.size())
          fail({}, std::string("\"") + key + "\" holds a character beyond U+00FF, which no " +
                       "byte of the sprite's header can hold");
        byte = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3Fu);
      }
      if (length == N)
        fail({}, std::string("\"") + key + "\" is longer than the " + std::to_string(N) +
                     " bytes the sprite's header holds");
      bytes[length++] = static_cast<char>(byte);
    }
    return bytes;
  }

  // A picture's name: null for a frame without pixels, else a file of the folder itself.
  std::string pictureName(const Json &frame, const char *key, const std::string &where,
                          bool hasPixels) const {
    const Json &value = member(frame, key, where);
    if (!hasPixels) {
      if (!value.is_null())
        fail(where, std::string("the frame has no pixels, so \"") + key + "\" must be null, not " +
                        value.dump());
      return {};
    }
    if (!value.is_string())
      fail(where,
           std::string("\"") + key + "\" must name the frame's picture, not " + value.dump());
    const auto &text = value.get_ref<const std::string &>();
    bool plain = !text.empty() && text != "." && text != "..";
    for (const char c : text)
      plain = plain && !IsSeparator(c) && c != '\0';
    if (!plain)
      fail(where, std::string("\"") + key + "\" must be the name of a file in the folder, not " +
                      value.dump());
    return text;
  }

private:
  std::string name_;
};

std::string FrameWhere(std::size_t n) { return "frame " + std::to_string(n + 1) + ": "; }

FramePlanes ParseFrame(const IndexReader &reader, const Json &frame, std::size_t n,
                       UnpackIndex::Pictures &pictures) {
  const std::string where = FrameWhere(n);
  if (!frame.is_object())
    reader.fail(where, "must be an object, not " + frame.dump());
  FramePlanes planes;
  SLPFrameInfo &r = planes.record;
  r.width = reader.field(frame, "width", where);
  r.height = reader.field(frame, "height", where);
  r.hotspotX = reader.field(frame, "hotspot_x", where);
  r.hotspotY = reader.field(frame, "hotspot_y", where);
  r.paletteOffset = reader.field(frame, "palette_offset", where);
  r.properties = reader.field(frame, "properties", where);
  if (r.width > kMaxFrameColumns || r.height > kMaxFrameRows)
    reader.fail(where, std::to_string(r.width) + " x " + std::to_string(r.height) +
                           " is more than a frame may have (" + std::to_string(kMaxFrameColumns) +
                           " columns, " + std::to_string(kMaxFrameRows) + " rows)");
  pictures.picture = reader.pictureName(frame, "picture", where, planes.hasPixels());
  pictures.layers = reader.pictureName(frame, "layers", where, planes.hasPixels());
  if (planes.hasPixels() && pictures.picture == pictures.layers)
    reader.fail(where, "\"picture\" and \"layers\" name the same file, " + pictures.picture);
  return planes;
}

Json ParseJson(std::string_view text, const IndexReader &reader) {
  try {
    return Json::parse(text.begin(), text.end());
  } catch (const Json::exception &e) {
    reader.fail({}, std::string("not valid JSON (") + e.what() + ")");
  }
}

std::string ExpectedKind(int colourType) {
  return colourType == kPngPalette ? "an 8-bit palette PNG" : "an 8-bit grey PNG";
}

// The picture's samples, refused unless it is the kind of PNG expected at the frame's size.
std::vector<std::uint8_t> ReadPicture(const PictureBytes &pictureBytes, const std::string &file,
                                      const std::string &role, const SLPFrameInfo &record,
                                      int colourType) {
  const std::string name = role + " " + file;
  std::vector<std::uint8_t> bytes;
  try {
    bytes = pictureBytes(file);
  } catch (const Error &e) {
    throw Error(e.kind(), e.subject(), name + ": " + e.detail());
  }
  const auto check = [&](const PngShape &shape) {
    if (shape.colourType != colourType || shape.bitDepth != 8)
      throw Error(ErrorKind::BitmapRead, file,
                  name + ": " + shape.describe() + ", not " + ExpectedKind(colourType));
    if (shape.width != static_cast<std::uint32_t>(record.width) ||
        shape.height != static_cast<std::uint32_t>(record.height))
      throw Error(ErrorKind::BitmapRead, file,
                  name + ": " + std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                      " pixels, but the frame is " + std::to_string(record.width) + " x " +
                      std::to_string(record.height));
  };
  return ReadOneSamplePNG(bytes, name, ErrorKind::BitmapRead, check).samples;
}

std::string IndexFolder(const std::string &indexPath) { return FolderOfPath(indexPath); }

} // namespace

UnpackIndex ParseUnpackIndex(std::string_view text, const std::string &name) {
  const IndexReader reader(name);
  const Json document = ParseJson(text, reader);
  if (!document.is_object())
    reader.fail({}, "must hold one JSON object, not " + std::string(document.type_name()));
  UnpackIndex index;
  index.planes.version = reader.headerText<4>(document, "version");
  index.planes.comment = reader.headerText<24>(document, "comment");
  const std::int64_t count = reader.whole(document, "frame_count", {}, 1, kMaxFrameCount);
  const Json &frames = reader.member(document, "frames", {});
  if (!frames.is_array())
    reader.fail({}, "\"frames\" must be a list of frames, not " + frames.dump());
  if (frames.size() != static_cast<std::uint64_t>(count))
    reader.fail({}, "\"frame_count\" is " + std::to_string(count) + ", but \"frames\" lists " +
                        std::to_string(frames.size()));
  index.pictures.resize(frames.size());
  std::int64_t pixelBytes = 0;
  for (std::size_t n = 0; n < frames.size(); ++n) {
    index.planes.frames.push_back(ParseFrame(reader, frames[n], n, index.pictures[n]));
    const SLPFrameInfo &r = index.planes.frames.back().record;
    if (index.planes.frames.back().hasPixels())
      pixelBytes += 2 * std::int64_t{r.width} * r.height;
    if (pixelBytes > kMaxEncodePixelBytes)
      reader.fail(FrameWhere(n), "the frames up to this one hold more than the " +
                                     std::to_string(kMaxEncodePixelBytes >> 20) +
                                     " MiB of pixels one encode reads");
  }
  return index;
}

SpritePlanes ReadUnpackPictures(const UnpackIndex &index, const PictureBytes &pictureBytes) {
  SpritePlanes planes = index.planes;
  for (std::size_t n = 0; n < planes.frames.size(); ++n) {
    FramePlanes &frame = planes.frames[n];
    if (!frame.hasPixels())
      continue;
    const std::string frameName = "frame " + std::to_string(n + 1) + "'s";
    frame.indexes = ReadPicture(pictureBytes, index.pictures[n].picture, frameName + " picture",
                                frame.record, kPngPalette);
    frame.layers = ReadPicture(pictureBytes, index.pictures[n].layers,
                               frameName + " layers picture", frame.record, kPngGrey);
  }
  return planes;
}

UnpackIndex ReadUnpackIndex(const std::string &indexPath) {
  const std::string text = ReadWholeFile(PathOf(indexPath), kMaxIndexFileBytes, ErrorKind::Encode);
  return ParseUnpackIndex(text, indexPath);
}

SpritePlanes ReadUnpackFolder(const std::string &indexPath) {
  const UnpackIndex index = ReadUnpackIndex(indexPath);
  const std::string folder = IndexFolder(indexPath);
  return ReadUnpackPictures(index, [&folder](const std::string &name) {
    const std::string text =
        ReadWholeFile(PathOf(folder + name), static_cast<std::uint64_t>(kMaxBitmapFileBytes),
                      ErrorKind::BitmapRead);
    return std::vector<std::uint8_t>(text.begin(), text.end());
  });
}

std::vector<std::string> UnpackInputFiles(const std::string &indexPath, const UnpackIndex &index) {
  const std::string folder = IndexFolder(indexPath);
  std::vector<std::string> files = {indexPath};
  for (const UnpackIndex::Pictures &p : index.pictures)
    if (!p.picture.empty()) {
      files.push_back(folder + p.picture);
      files.push_back(folder + p.layers);
    }
  return files;
}

} // namespace tessary
