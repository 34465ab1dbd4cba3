#pragma once

#include "scripted_platform.hpp"
#include "sprite/slp_encoder.hpp"
#include "support/test_support.hpp"
#include "ui/mainform.hpp"

class QAction;

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessary::test {

// A frame with a pixel of every layer at known places (width >= 4, height >= 2):
// column 0 transparent, the last column outer outline, (1, 0) shadow, (1, 1) inner outline,
// (2, 0) player colour, everything else ordinary palette colours that vary with x, y and seed.
EncoderFrame PatternFrame(int width, int height, int hotspotX, int hotspotY, int seed);
// The palette entry PatternFrame puts at an ordinary pixel.
int PatternIndex(int x, int y, int seed);

struct FrameSize {
  int width, height, hotspotX, hotspotY;
};
std::vector<std::uint8_t> PatternSprite(const std::vector<FrameSize> &frames);

// The sample archive. Its list lines:
//   0 --SLP (2)--   1 100 (3 frames: 8x6, 5x9, 12x4)   2 101 (1 frame, 4x4)
//   3 --WAV (1)--   4 200
//   5 --BIN (4)--   6 300 (JASC-PAL)   7 301 (text with \ { } and mixed line ends)
//                   8 302 (empty)      9 303 (jasc-pal in lower case)
//  10 --DCB (2)--  11 7                12 -7
std::vector<std::uint8_t> SampleArchiveBytes();
extern const std::vector<std::string> kSampleLines;
extern const std::vector<int> kSampleKinds;
std::vector<std::uint8_t> SampleEntryBytes(std::int32_t id);
std::vector<FrameSize> SampleSpriteFrames(std::int32_t id);

// Whether a menu item is enabled in its own right. Qt reports every hidden item as disabled, so a
// hidden one is shown for a moment to read the state it will have when shown.
bool ItemEnabled(QAction *item);

// A window on a scripted platform, with TEMP pointing into a private temporary folder and the
// sample archive written beside it.
class WindowFixture {
public:
  WindowFixture();
  ~WindowFixture();

  TempDir temp;
  ScriptedPlatform platform;
  std::string archivePath;
  std::unique_ptr<ui::MainForm> form;

  // "Open..." answered with `path` (the sample archive by default).
  void open(const std::string &path = {});
  // Selects a list line the way a click does.
  void select(int line);
  // Every "_drs*.drx" file in the working folder.
  std::vector<std::string> tempFiles() const;
  // The path of this window's copy made when the clock read `clock`, or "" when there is none.
  std::string tempCopyAt(long clock) const;
};

} // namespace tessary::test
