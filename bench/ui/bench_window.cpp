// Timing of the window's two hot paths: choosing a sprite line until its 500 x 500 frame is
// painted, and opening an archive of 32,000 entries into the list. Runs headless.
#include "archive/drs_writer.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_encoder.hpp"
#include "ui/mainform.hpp"

#include <QApplication>
#include <QListView>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using namespace tessary;

class QuietPlatform : public ui::Platform {
public:
  explicit QuietPlatform(std::string temp) : temp_(std::move(temp)) {}
  ui::MessageAnswer messageBox(const ui::MessageRequest &) override {
    ++messages;
    return ui::MessageAnswer::Ok;
  }
  std::optional<std::string> openFileDialog(const ui::FileDialogRequest &) override {
    return std::nullopt;
  }
  std::optional<std::string> saveFileDialog(const ui::FileDialogRequest &) override {
    return std::nullopt;
  }
  std::optional<Colour> colourDialog(Colour) override { return std::nullopt; }
  void playSound(const std::string &) override {}
  bool escapeHeld() override { return false; }
  long hundredthsSinceMidnight() override { return clock_++; }
  void setBusyCursor(bool) override {}
  std::optional<std::string> environment(const std::string &name) override {
    if (name == "TEMP")
      return temp_;
    return std::nullopt;
  }
  int messages = 0;

private:
  std::string temp_;
  long clock_ = 0;
};

class Folder {
public:
  Folder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      std::abort();
    path = pattern;
  }
  ~Folder() {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
  std::string file(const std::string &name) const { return (path / name).string(); }
  std::filesystem::path path;
};

void Write(const std::string &path, const std::vector<std::uint8_t> &bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A 500 x 500 frame of ordinary palette pixels with transparent margins, shadow and outlines.
std::vector<std::uint8_t> LargeSprite(int seed) {
  const PaletteTable palette = DefaultPalette();
  EncoderFrame frame;
  frame.width = frame.height = 500;
  for (int y = 0; y < 500; ++y) {
    for (int x = 0; x < 500; ++x) {
      Colour image = palette[static_cast<std::size_t>(32 + (x / 7 + y / 5 + seed) % 200)];
      Colour layer = kMapWhite;
      if (x < 20 || x >= 480) {
        image = layer = kKeyMagenta;
      } else if (x < 40) {
        image = layer = kShadowRed;
      } else if (x == 40) {
        image = kKeyMagenta;
        layer = kMapYellow;
      }
      frame.image.push_back(image);
      frame.layer.push_back(layer);
    }
  }
  return EncodeSLP({frame}, palette);
}

void BM_SelectSpriteUntilPainted(benchmark::State &state) {
  Folder folder;
  std::filesystem::create_directory(folder.file("tmp"));
  const std::string archive = folder.file("sprites.drs");
  Write(archive, BuildArchive({{kSpriteTag, {{1, LargeSprite(0)}, {2, LargeSprite(1)}}}}));
  QuietPlatform platform(folder.file("tmp"));
  ui::MainForm form(platform);
  form.show();
  QApplication::processEvents();
  form.OpenArchive(archive);
  double worstMs = 0;
  int line = 1;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    form.DRSFilesList->setCurrentIndex(form.DRSFilesModel->index(line));
    const auto end = std::chrono::steady_clock::now();
    worstMs = std::max(worstMs, std::chrono::duration<double, std::milli>(end - start).count());
    line = 3 - line; // alternate between the two sprites: every step is a fresh selection
  }
  if (platform.messages != 0 || form.ResDisplayPic->image().width() != 500)
    state.SkipWithError("the sprite was not shown");
  state.counters["worst_ms"] = worstMs;
  form.close();
}
BENCHMARK(BM_SelectSpriteUntilPainted)->Unit(benchmark::kMillisecond)->Iterations(40);

void BM_OpenLargeArchive(benchmark::State &state) {
  Folder folder;
  std::filesystem::create_directory(folder.file("tmp"));
  const std::string archive = folder.file("large.drs");
  ArchiveTableSpec table{kBinaryTag, {}};
  for (int id = 0; id < 32000; ++id)
    table.entries.push_back({id, {}});
  Write(archive, BuildArchive({table}));
  QuietPlatform platform(folder.file("tmp"));
  ui::MainForm form(platform);
  form.show();
  QApplication::processEvents();
  for (auto _ : state) {
    form.OpenArchive(archive);
    QApplication::processEvents(); // the list lays itself out and paints
  }
  if (form.DRSFilesModel->rowCount() != 32001)
    state.SkipWithError("the list was not filled");
  form.close();
}
BENCHMARK(BM_OpenLargeArchive)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char **argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
