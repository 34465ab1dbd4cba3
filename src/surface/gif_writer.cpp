#include "surface/gif_writer.hpp"

#include "common/error.hpp"

#include <gif_lib.h>

#include <new>
#include <string>

namespace tessary {

namespace {

[[noreturn]] void Fail(const std::string &what, int code) {
  const char *reason = GifErrorString(code);
  throw Error(ErrorKind::Save, {},
              "the GIF encoder failed to " + what + ": " + (reason ? reason : "unknown error"));
}

// giflib hands every piece of the file to this function; it lands in the State's bytes.
int Collect(GifFileType *gif, const GifByteType *data, int length);

int TableSizeFor(std::size_t colours) {
  int size = 2; // the smallest table a GIF holds
  while (static_cast<std::size_t>(size) < colours)
    size *= 2;
  return size;
}

} // namespace

struct GifEncoder::State {
  std::vector<std::uint8_t> bytes;
  GifFileType *gif = nullptr;
  std::int32_t width = 0, height = 0, delay = 0;
  bool writeFailed = false;

  void close() {
    if (!gif)
      return;
    int code = 0;
    const int result = EGifCloseFile(gif, &code);
    gif = nullptr;
    if (result != GIF_OK)
      Fail("finish the file", code);
  }
};

namespace {

int Collect(GifFileType *gif, const GifByteType *data, int length) {
  auto *state = static_cast<GifEncoder::State *>(gif->UserData);
  try {
    state->bytes.insert(state->bytes.end(), data, data + length);
    return length;
  } catch (const std::bad_alloc &) {
    state->writeFailed = true;
    return 0;
  }
}

void PutLoopForEver(GifFileType *gif) {
  static const GifByteType kApplication[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  static const GifByteType kLoop[] = {1, 0, 0}; // sub-block 1, loop count 0: for ever
  if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
      EGifPutExtensionBlock(gif, sizeof kApplication, kApplication) != GIF_OK ||
      EGifPutExtensionBlock(gif, sizeof kLoop, kLoop) != GIF_OK ||
      EGifPutExtensionTrailer(gif) != GIF_OK)
    Fail("write the loop", gif->Error);
}

} // namespace

GifEncoder::GifEncoder(std::int32_t width, std::int32_t height, std::int32_t delayHundredths)
    : state_(std::make_unique<State>()) {
  state_->width = width;
  state_->height = height;
  state_->delay = delayHundredths;
  int code = 0;
  state_->gif = EGifOpen(state_.get(), Collect, &code);
  if (!state_->gif)
    Fail("start", code);
  EGifSetGifVersion(state_->gif, true);
  if (EGifPutScreenDesc(state_->gif, width, height, 8, 0, nullptr) != GIF_OK)
    Fail("write the picture's size", state_->gif->Error);
  PutLoopForEver(state_->gif);
}

GifEncoder::~GifEncoder() {
  if (state_ && state_->gif) {
    int code = 0;
    EGifCloseFile(state_->gif, &code);
  }
}

void GifEncoder::AddFrame(const std::vector<std::uint8_t> &indexes,
                          const std::vector<Colour> &colours) {
  GifFileType *gif = state_->gif;
  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_BACKGROUND;
  control.UserInputFlag = false;
  control.DelayTime = state_->delay;
  control.TransparentColor = 0;
  GifByteType extension[4];
  EGifGCBToExtension(&control, extension);
  if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension) != GIF_OK)
    Fail("write a frame's timing", gif->Error);

  std::vector<GifColorType> entries(static_cast<std::size_t>(TableSizeFor(colours.size())));
  for (std::size_t i = 0; i < colours.size() && i < entries.size(); ++i)
    entries[i] = {static_cast<GifByteType>(RedOf(colours[i])),
                  static_cast<GifByteType>(GreenOf(colours[i])),
                  static_cast<GifByteType>(BlueOf(colours[i]))};
  std::unique_ptr<ColorMapObject, void (*)(ColorMapObject *)> table(
      GifMakeMapObject(static_cast<int>(entries.size()), entries.data()), GifFreeMapObject);
  if (!table)
    throw OutOfMemoryError();
  if (EGifPutImageDesc(gif, 0, 0, state_->width, state_->height, false, table.get()) != GIF_OK)
    Fail("start a frame", gif->Error);
  std::vector<GifPixelType> row(static_cast<std::size_t>(state_->width));
  for (std::int32_t y = 0; y < state_->height; ++y) {
    const std::size_t start = static_cast<std::size_t>(y) * row.size();
    std::copy(indexes.begin() + static_cast<std::ptrdiff_t>(start),
              indexes.begin() + static_cast<std::ptrdiff_t>(start + row.size()), row.begin());
    if (EGifPutLine(gif, row.data(), state_->width) != GIF_OK) {
      if (state_->writeFailed)
        throw OutOfMemoryError();
      Fail("write a frame's pixels", gif->Error);
    }
  }
}

std::vector<std::uint8_t> GifEncoder::Finish() {
  state_->close();
  return std::move(state_->bytes);
}

} // namespace tessary
