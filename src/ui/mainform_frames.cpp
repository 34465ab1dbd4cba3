// Showing sprite frames: the frame slider, Refresh and Auto-refresh, Save as BMP and the two
// multi-frame exports.
#include "ui/mainform.hpp"

#include "archive/extract.hpp"
#include "common/paths.hpp"
#include "sprite/exports.hpp"
#include "sprite/slp_loader.hpp"
#include "ui/frame_image.hpp"

#include <QAction>
#include <QListView>
#include <QScrollBar>

namespace tessary::ui {

namespace {

// Thrown out of an export's progress report when the program is to end.
struct ExportStopped {};

std::string FrameText(const char *prefix, std::int32_t frame, std::int32_t frameCount) {
  return prefix + std::to_string(frame) + kFrameOfText + std::to_string(frameCount);
}

// The window draws player pixels in player 1's colours whatever its (hidden) player choice
// holds: the choice is kept, but nothing on screen or in its files follows it.
DisplayOptions ShownOptions(DisplayOptions options) {
  options.playerIndex = 0;
  return options;
}

} // namespace

void MainForm::FrameScroll_Change() {
  // Any change but the animation's own step takes the slider out of its hands.
  if (!timerStep_)
    StopAnimation();
  if (FrameScrollTag == "on")
    RefreshImage(true);
}

void MainForm::menu_image_refresh_Click() { RefreshImage(true); }

void MainForm::menu_image_autorefresh_Click() {
  autoRefresh = !autoRefresh;
  UpdateActions();
}

void MainForm::RefreshImage(bool force) {
  if (!force && !autoRefresh)
    return;
  if (ResDisplayPicTag.empty())
    return; // nothing has been shown yet
  ShowSLPFrame(ResDisplayPicTag, FrameScroll->value(), false, {});
}

void MainForm::ShowSLPFrame(const std::string &path, std::int32_t frameNumber, bool saveOnly,
                            const std::string &fileName) {
  // A decode cut short by the end of the program is never looked at again.
  const CancelPoll escape = [this] {
    if (platform_.escapeHeld()) {
      escapeDuringDisplay_ = true; // the poll takes the key, so playing learns of it here
      return true;
    }
    return platform_.endRequested();
  };
  if (saveOnly) {
    try {
      WithOutOfMemoryAsError([&] {
        SaveFrameBMP(path, frameNumber, paletteTable, ShownOptions(displayOptions), fileName,
                     escape);
      });
    } catch (const Error &error) {
      ShowError(error);
    }
    return;
  }
  PictureStatusText->setText(kLoadingImageStatus);
  BusyCursor busy(platform_);
  // Off from here on: events let through while the decode polls for Escape (a held slider
  // arrow repeating, say) must not start a second display inside this one.
  FrameScrollTag = "off";
  cDIBSection image;
  RenderedFrame frame;
  try {
    frame = WithOutOfMemoryAsError([&] {
      return RenderFrame(path, frameNumber, paletteTable, ShownOptions(displayOptions), image,
                         escape);
    });
  } catch (const Error &error) {
    FrameScrollTag = "on";
    ShowFrameFailure(error);
    return;
  }
  // A cancelled decode is shown as far as it got, like a complete one.
  ResDisplayPicTag = path;
  FrameScroll->setMaximum(frame.frameCount);
  FrameScroll->setValue(frameNumber);
  frameWidth_ = frame.width;
  frameHeight_ = frame.height;
  SizeViewToFrame();
  ResDisplayPic->setImage(ImageFromSurface(image));
  ResDisplayPic->repaint();
  FrameScrollTag = "on";
  PictureStatusText->setText(FrameText(kShowingFramePrefix, frameNumber, frame.frameCount));
}

void MainForm::ShowFrameFailure(const Error &error) {
  // Nothing of a sprite that cannot be shown stays on view, and later refreshes do not try it
  // again; nor do further ticks, each with its own message.
  StopAnimation();
  ResDisplayPicTag.clear();
  ResDisplayPic->setImage({});
  PictureStatusText->setText("");
  ShowError(error);
}

void MainForm::menu_savebmp_Click() {
  if (ResDisplayPicTag.empty())
    return;
  const auto chosen = ShowSaveDialog(ComDlg);
  if (!chosen || chosen->empty())
    return;
  // The archive is only ever read: a save aimed at it, by name or through a link, is refused.
  try {
    RefuseWritingOnto(archivePath, kOpenArchiveRole, {*chosen});
  } catch (const Error &error) {
    ShowError(error);
    return;
  }
  ShowSLPFrame(ResDisplayPicTag, FrameScroll->value(), true, *chosen);
}

void MainForm::ReportExportProgress(std::int32_t frame, std::int32_t frameCount) {
  if (platform_.endRequested())
    throw ExportStopped{}; // the files written so far are dropped, none appears
  PictureStatusText->setText(FrameText(kSavingFramePrefix, frame, frameCount));
  FrameScroll->setValue(frame);
  if (frame % 5 == 0)
    repaint(); // the loop does not return to the event loop; show where it is now and then
}

void MainForm::ExportFrames(const std::string &statusText, const std::function<void()> &exporter) {
  FrameScrollTag = "off";
  SetStatus(statusText);
  try {
    WithOutOfMemoryAsError(exporter);
  } catch (const Error &error) {
    ShowError(error);
  } catch (const ExportStopped &) {
    // The program is ending: its close follows as soon as this handler returns.
  }
  FrameScrollTag = "on";
  PictureStatusText->setText("");
  SetStatus("");
}

void MainForm::menu_image_savesequence_Click() {
  if (ResDisplayPicTag.empty())
    return;
  const auto chosen = ShowSaveDialog(ComDlg);
  if (!chosen || chosen->empty())
    return;
  const std::string baseName = BaseNameOfPath(*chosen);
  ExportFrames(kExportingSequenceStatus, [&] {
    RefuseWritingOnto(archivePath, kOpenArchiveRole,
                      SequenceFileNames(baseName, LoadSLPInfo(ResDisplayPicTag).frameCount()));
    ExportImageSequence(ResDisplayPicTag, baseName, paletteTable, ShownOptions(displayOptions),
                        [this](std::int32_t frame, std::int32_t frameCount) {
                          ReportExportProgress(frame, frameCount);
                        });
  });
}

void MainForm::menu_image_slx_Click() {
  // The filter stays for the later image saves, as it always has.
  ComDlg.filter = kSlxFilter;
  if (ResDisplayPicTag.empty())
    return;
  const auto chosen = ShowSaveDialog(ComDlg);
  if (!chosen || chosen->empty())
    return;
  const std::string baseName = BaseNameOfPath(*chosen);
  ExportFrames(kExportingFramesStatus, [&] {
    RefuseWritingOnto(archivePath, kOpenArchiveRole,
                      SLXExportFileNames(baseName, LoadSLPInfo(ResDisplayPicTag).frameCount()));
    ExportSLX(ResDisplayPicTag, baseName, paletteTable,
              [this](std::int32_t frame, std::int32_t frameCount) {
                ReportExportProgress(frame, frameCount);
              });
  });
}

} // namespace tessary::ui
