#include "surface/png_reader.hpp"

#include "common/bounded_reader.hpp"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace tessary {

namespace {

// The largest side read: no picture the program reads back is wider or higher.
constexpr png_uint_32 kMaxSide = 32767;
// Ancillary chunks (text, profiles) are read into memory by libpng; none needs more.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

// What libpng's callbacks work on. libpng reports a failure by longjmp back to the step that
// called it; every step below holds only plain values, so nothing is skipped on the way, and
// the C++ code around them turns the failure into an Error.
struct ReadState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const std::uint8_t *data = nullptr;
  std::size_t size = 0;
  std::size_t at = 0;
  char message[256] = {};
};

void OnError(png_structp png, png_const_charp message) {
  auto *state = static_cast<ReadState *>(png_get_error_ptr(png));
  std::strncpy(state->message, message ? message : "unknown failure", sizeof state->message - 1);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep out, png_size_t length) {
  auto *state = static_cast<ReadState *>(png_get_io_ptr(png));
  if (length > state->size - state->at)
    png_error(png, "the file ends before its picture does");
  std::memcpy(out, state->data + state->at, length);
  state->at += length;
}

bool ReadHeaderStep(ReadState &state) {
  if (setjmp(png_jmpbuf(state.png)))
    return false;
  png_set_read_fn(state.png, &state, ReadBytes);
  png_set_user_limits(state.png, kMaxSide, kMaxSide);
  png_set_chunk_malloc_max(state.png, kMaxChunkBytes);
  png_read_info(state.png, state.info);
  return true;
}

bool ReadPixelsStep(ReadState &state, png_bytepp rows) {
  if (setjmp(png_jmpbuf(state.png)))
    return false;
  png_set_interlace_handling(state.png);
  png_read_update_info(state.png, state.info);
  png_read_image(state.png, rows);
  png_read_end(state.png, nullptr);
  return true;
}

class PngReadGuard {
public:
  explicit PngReadGuard(ReadState &state) : state_(state) {}
  ~PngReadGuard() {
    png_destroy_read_struct(&state_.png, state_.info ? &state_.info : nullptr, nullptr);
  }
  PngReadGuard(const PngReadGuard &) = delete;
  PngReadGuard &operator=(const PngReadGuard &) = delete;

private:
  ReadState &state_;
};

const char *ColourTypeName(int colourType) {
  switch (colourType) {
  case 0:
    return "grey";
  case 2:
    return "RGB";
  case 3:
    return "palette";
  case 4:
    return "grey and alpha";
  case 6:
    return "RGBA";
  default:
    return "unknown colour type";
  }
}

} // namespace

std::string PngShape::describe() const {
  const std::string depth = std::to_string(bitDepth) + "-bit ";
  return (bitDepth == 8 ? "an " : "a ") + depth + ColourTypeName(colourType) + " PNG";
}

PngSamples ReadOneSamplePNG(std::span<const std::uint8_t> bytes, const std::string &name,
                            ErrorKind kind, const PngShapeCheck &check) {
  const auto fail = [&](const std::string &why) -> Error {
    return Error(kind, name, name + ": " + why);
  };
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0)
    throw fail("not a PNG file");
  ReadState state;
  state.data = bytes.data();
  state.size = bytes.size();
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (!state.png)
    throw OutOfMemoryError();
  PngReadGuard guard(state);
  state.info = png_create_info_struct(state.png);
  if (!state.info)
    throw OutOfMemoryError();
  if (!ReadHeaderStep(state))
    throw fail(std::string("damaged PNG file (") + state.message + ")");

  PngSamples picture;
  picture.shape.width = png_get_image_width(state.png, state.info);
  picture.shape.height = png_get_image_height(state.png, state.info);
  picture.shape.colourType = png_get_color_type(state.png, state.info);
  picture.shape.bitDepth = png_get_bit_depth(state.png, state.info);
  if (check)
    check(picture.shape);
  const bool oneSample =
      picture.shape.colourType == kPngGrey || picture.shape.colourType == kPngPalette;
  if (!oneSample || picture.shape.bitDepth != 8)
    throw fail(picture.shape.describe() + ", not an 8-bit palette or grey PNG");

  const std::size_t width = picture.shape.width;
  picture.samples.resize(width * picture.shape.height);
  std::vector<png_bytep> rows(picture.shape.height);
  for (std::size_t y = 0; y < rows.size(); ++y)
    rows[y] = picture.samples.data() + y * width;
  if (!ReadPixelsStep(state, rows.data()))
    throw fail(std::string("damaged PNG file (") + state.message + ")");
  return picture;
}

} // namespace tessary
