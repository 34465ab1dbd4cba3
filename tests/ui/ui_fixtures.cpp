#include "ui_fixtures.hpp"

#include "archive/drs_writer.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_decoder.hpp"

#include <QAction>
#include <QItemSelectionModel>
#include <QListView>

#include <filesystem>

namespace tessary::test {

int PatternIndex(int x, int y, int seed) { return 32 + (x * 7 + y * 13 + seed * 5) % 200; }

EncoderFrame PatternFrame(int width, int height, int hotspotX, int hotspotY, int seed) {
  const PaletteTable palette = DefaultPalette();
  EncoderFrame frame;
  frame.width = width;
  frame.height = height;
  frame.hotspotX = hotspotX;
  frame.hotspotY = hotspotY;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Colour image = palette[static_cast<std::size_t>(PatternIndex(x, y, seed))];
      Colour layer = kMapWhite;
      if (x == 0) {
        image = layer = kKeyMagenta;
      } else if (x == width - 1) {
        image = kKeyMagenta;
        layer = kMapYellow;
      } else if (x == 1 && y == 0) {
        image = layer = kShadowRed;
      } else if (x == 1 && y == 1) {
        image = kKeyMagenta;
        layer = kMapBlue;
      } else if (x == 2 && y == 0) {
        image = palette[16 + static_cast<std::size_t>(seed % 8)];
        layer = kMapGreen;
      }
      frame.image.push_back(image);
      frame.layer.push_back(layer);
    }
  }
  return frame;
}

std::vector<std::uint8_t> PatternSprite(const std::vector<FrameSize> &frames) {
  std::vector<EncoderFrame> encoded;
  int seed = 0;
  for (const auto &f : frames)
    encoded.push_back(PatternFrame(f.width, f.height, f.hotspotX, f.hotspotY, seed++));
  return EncodeSLP(encoded, DefaultPalette());
}

std::vector<FrameSize> SampleSpriteFrames(std::int32_t id) {
  if (id == 100)
    return {{8, 6, 3, 5}, {5, 9, 0, 0}, {12, 4, -2, 7}};
  return {{4, 4, 2, 2}};
}

namespace {

std::vector<std::uint8_t> Bytes(const std::string &text) { return {text.begin(), text.end()}; }

std::string JascPalText(const char *magic) {
  std::string text = std::string(magic) + "\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    text += std::to_string(i) + " " + std::to_string(255 - i) + " 7\r\n";
  return text;
}

} // namespace

std::vector<std::uint8_t> SampleEntryBytes(std::int32_t id) {
  switch (id) {
  case 100:
  case 101:
    return PatternSprite(SampleSpriteFrames(id));
  case 200:
    return Bytes(std::string("RIFF\x24\0\0\0WAVEfmt ", 16));
  case 300:
    return Bytes(JascPalText("JASC-PAL"));
  case 301:
    return Bytes("a\\b{c}\r\nsecond\rthird\nfourth");
  case 302:
    return {};
  case 303:
    return Bytes(JascPalText("jasc-pal"));
  case 7:
    return Bytes("xyz");
  default:
    return Bytes("minus seven");
  }
}

const std::vector<std::string> kSampleLines = {"--SLP (2)--", "100", "101", "--WAV (1)--", "200",
                                               "--BIN (4)--", "300", "301", "302",         "303",
                                               "--DCB (2)--", "7",   "-7"};
const std::vector<int> kSampleKinds = {0, 1, 1, 0, 2, 0, 3, 3, 3, 3, 0, -1, -1};

std::vector<std::uint8_t> SampleArchiveBytes() {
  const auto table = [](std::array<char, 4> tag, std::vector<std::int32_t> ids) {
    ArchiveTableSpec built{tag, {}};
    for (const auto id : ids)
      built.entries.push_back({id, SampleEntryBytes(id)});
    return built;
  };
  return BuildArchive({table(kSpriteTag, {100, 101}), table(kSoundTag, {200}),
                       table(kBinaryTag, {300, 301, 302, 303}),
                       table({'a', 'b', 'c', 'd'}, {7, -7})});
}

bool ItemEnabled(QAction *item) {
  if (item->isVisible())
    return item->isEnabled();
  item->setVisible(true);
  const bool enabled = item->isEnabled();
  item->setVisible(false);
  return enabled;
}

WindowFixture::WindowFixture() {
  platform.env["TEMP"] = temp.file("tmp");
  std::filesystem::create_directory(temp.file("tmp"));
  archivePath = temp.file("sample.drs");
  WriteFile(archivePath, SampleArchiveBytes());
  form = std::make_unique<ui::MainForm>(platform);
}

WindowFixture::~WindowFixture() { form.reset(); }

void WindowFixture::open(const std::string &path) {
  platform.openAnswers.push_back(path.empty() ? archivePath : path);
  form->menu_file_open->trigger();
}

void WindowFixture::select(int line) {
  form->DRSFilesList->setCurrentIndex(form->DRSFilesModel->index(line));
}

std::vector<std::string> WindowFixture::tempFiles() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto &entry : std::filesystem::directory_iterator(form->WorkFolder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("_drs") && name.ends_with(".drx"))
      names.push_back(name);
  }
  return names;
}

std::string WindowFixture::tempCopyAt(long clock) const {
  const auto &owner = form->tempCopies().owner();
  const std::string prefix = "_drs" + std::to_string(clock) + "_" + std::to_string(owner.pid) +
                             "_" + std::to_string(owner.instance) + "_";
  for (const auto &name : tempFiles())
    if (name.starts_with(prefix))
      return form->WorkFolder + name;
  return {};
}

} // namespace tessary::test
