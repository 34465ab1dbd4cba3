// Showing sprite frames in the window: the slider, Refresh and Auto-refresh, Save as BMP, the
// image sequence and SLX exports, and what happens when a sprite cannot be shown.
#include "ui_fixtures.hpp"

#include "archive/drs_writer.hpp"
#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "sprite/exports.hpp"
#include "ui/frame_image.hpp"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QTest>

#include <filesystem>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;
using ui::MessageIcon;

namespace {

constexpr int kSpriteLine = 1; // id 100, three frames: 8x6, 5x9, 12x4
constexpr int kOneFrameLine = 2;

QColor PaletteColour(int index) {
  const Colour c = DefaultPalette()[static_cast<std::size_t>(index)];
  return QColor(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)),
                static_cast<int>(BlueOf(c)));
}

QColor Shown(const MainForm &form, int x, int y) {
  return QColor(form.ResDisplayPic->image().pixel(x, y));
}

// What the view should show for a frame: the core's own rendering of it.
QImage Rendered(const std::string &sprite, int frame, const DisplayOptions &options) {
  cDIBSection image;
  RenderFrame(sprite, frame, DefaultPalette(), options, image);
  return ui::ImageFromSurface(image);
}

int RunCli(const QStringList &args) {
  QProcess cli;
  cli.start(QStringLiteral(TESSARY_CLI_PATH), args);
  if (!cli.waitForFinished(60000))
    return -1;
  return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
}

QString Q(const std::string &text) { return QString::fromStdString(text); }

struct Step {
  QString pictureStatus;
  std::string tag;
  QString status;
  int value;
  bool operator==(const Step &) const = default;
};

} // namespace

class FramesTest : public QObject {
  Q_OBJECT
private slots:
  void spriteShowsFrameOneWithTheSliderSetUp();
  void defaultColoursReachTheScreen();
  void oneFrameSpriteGivesASliderOfOne();
  void sliderMoveShowsThatFrame_data();
  void sliderMoveShowsThatFrame();
  void sliderMovedWhileTagIsOffDoesNothing();
  void autoRefreshDecidesWhetherOptionChangesRedraw();
  void f5RefreshesTheFrame();
  void refreshBeforeAnySpriteDoesNothing();
  void viewKeepsItsPlaceForTheNextSprite();
  void escapeCutsTheDecodeShort();
  void saveAsBmpWritesWhatTheCommandLineWrites();
  void saveAsBmpCancelledWritesNothing();
  void saveAsBmpFailureIsReportedAndTheProgramGoesOn();
  void imageSequenceEqualsTheCommandLine();
  void imageSequenceReportsEachFrame();
  void hiddenPlayerChoiceLeavesTheFilesInPlayerOnesColours();
  void slxExportEqualsTheCommandLineAndKeepsItsFilter();
  void spriteGoneBehindRefreshIsReportedOnce();
  void malformedSpriteIsReportedAndNothingStaysOnView();
};

void FramesTest::spriteShowsFrameOneWithTheSliderSetUp() {
  WindowFixture f;
  f.open();
  const long clock = f.platform.clock;
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  const std::string temp = f.tempCopyAt(clock);
  QVERIFY(!temp.empty());
  QCOMPARE(form.ResDisplayPicTag, temp);
  QCOMPARE(form.FrameScroll->minimum(), 1);
  QCOMPARE(form.FrameScroll->maximum(), 3);
  QCOMPARE(form.FrameScroll->value(), 1);
  QCOMPARE(form.FrameScrollTag, std::string("on"));
  QCOMPARE(form.PictureStatusText->text(), QStringLiteral("Showing frame 1 of 3"));
  QCOMPARE(form.ResDisplayPic->size(), QSize(8, 6));
  QCOMPARE(form.Twips(form.ResDisplayPic).width, qRound(8 * form.twipsPerPixelX()));
  QCOMPARE(form.Twips(form.ResDisplayPic).height, qRound(6 * form.twipsPerPixelY()));
  QCOMPARE(form.ResDisplayPic->image(), Rendered(temp, 1, form.displayOptions));
  QCOMPARE(f.platform.busyShown, 1);
  QCOMPARE(f.platform.busyDepth, 0);
  QVERIFY(f.platform.escapePolls >= 6); // polled before each row
  QVERIFY(f.platform.messages.empty());
}

void FramesTest::defaultColoursReachTheScreen() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  const MainForm &form = *f.form;
  QCOMPARE(Shown(form, 0, 3), QColor(0, 0, 0));       // transparent: mask black
  QCOMPARE(Shown(form, 7, 3), QColor(255, 255, 0));   // outer outline: yellow
  QCOMPARE(Shown(form, 1, 1), QColor(0, 0, 255));     // inner outline: blue
  QCOMPARE(Shown(form, 1, 0), QColor(127, 127, 127)); // shadow: grey
  QCOMPARE(Shown(form, 2, 0), PaletteColour(16));     // player colour, as decoded
  QCOMPARE(Shown(form, 4, 3), PaletteColour(PatternIndex(4, 3, 0)));
  QCOMPARE(Shown(form, 5, 5), PaletteColour(PatternIndex(5, 5, 0)));
}

void FramesTest::oneFrameSpriteGivesASliderOfOne() {
  WindowFixture f;
  f.open();
  f.select(kOneFrameLine);
  QCOMPARE(f.form->FrameScroll->minimum(), 1);
  QCOMPARE(f.form->FrameScroll->maximum(), 1);
  QCOMPARE(f.form->PictureStatusText->text(), QStringLiteral("Showing frame 1 of 1"));
  QCOMPARE(f.form->ResDisplayPic->size(), QSize(4, 4));
}

void FramesTest::sliderMoveShowsThatFrame_data() {
  QTest::addColumn<int>("frame");
  QTest::addColumn<QSize>("size");
  QTest::newRow("frame 2") << 2 << QSize(5, 9);
  QTest::newRow("frame 3") << 3 << QSize(12, 4);
}

void FramesTest::sliderMoveShowsThatFrame() {
  QFETCH(int, frame);
  QFETCH(QSize, size);
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  f.form->FrameScroll->setValue(frame);
  QCOMPARE(f.form->PictureStatusText->text(), QString("Showing frame %1 of 3").arg(frame));
  QCOMPARE(f.form->ResDisplayPic->size(), size);
  QCOMPARE(f.form->ResDisplayPic->image(),
           Rendered(f.form->ResDisplayPicTag, frame, f.form->displayOptions));
  QCOMPARE(f.form->FrameScrollTag, std::string("on"));
  QCOMPARE(f.platform.busyShown, 2);
}

void FramesTest::sliderMovedWhileTagIsOffDoesNothing() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  f.form->FrameScrollTag = "off";
  f.form->FrameScroll->setValue(3);
  QCOMPARE(f.form->PictureStatusText->text(), QStringLiteral("Showing frame 1 of 3"));
  QCOMPARE(f.form->ResDisplayPic->size(), QSize(8, 6));
  QCOMPARE(f.platform.busyShown, 1);
}

void FramesTest::autoRefreshDecidesWhetherOptionChangesRedraw() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  form.displayOptions.shadowColour = RGB(0, 255, 0);
  form.RefreshImage(false); // auto-refresh is on: redrawn at once
  QCOMPARE(Shown(form, 1, 0), QColor(0, 255, 0));

  form.menu_image_autorefresh->trigger();
  QVERIFY(!form.menu_image_autorefresh->isChecked());
  QVERIFY(!form.autoRefresh);
  form.displayOptions.shadowColour = RGB(255, 0, 0);
  form.RefreshImage(false);
  QCOMPARE(Shown(form, 1, 0), QColor(0, 255, 0)); // unchanged until Refresh
  form.menu_image_refresh->trigger();
  QCOMPARE(Shown(form, 1, 0), QColor(255, 0, 0));

  const int shown = f.platform.busyShown;
  form.menu_image_autorefresh->trigger(); // turning it on does not itself redraw
  QVERIFY(form.autoRefresh);
  QVERIFY(form.menu_image_autorefresh->isChecked());
  QCOMPARE(f.platform.busyShown, shown);
}

void FramesTest::f5RefreshesTheFrame() {
  WindowFixture f;
  f.form->show();
  QApplication::setActiveWindow(f.form.get());
  QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
  f.open();
  f.select(kSpriteLine);
  f.form->autoRefresh = false;
  f.form->displayOptions.maskColour = RGB(10, 20, 30);
  QTest::keyClick(f.form->DRSFilesList, Qt::Key_F5);
  QCOMPARE(Shown(*f.form, 0, 0), QColor(10, 20, 30));
}

void FramesTest::refreshBeforeAnySpriteDoesNothing() {
  WindowFixture f;
  f.open();
  f.form->RefreshImage(true);
  f.form->menu_image_refresh->trigger();
  f.form->menu_savebmp_Click();
  f.form->menu_image_savesequence_Click();
  QVERIFY(f.platform.messages.empty());
  QVERIFY(f.platform.saveRequests.empty());
  QCOMPARE(f.platform.busyShown, 0);
  QVERIFY(f.form->ResDisplayPic->image().isNull());
}

void FramesTest::viewKeepsItsPlaceForTheNextSprite() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  f.form->ResDisplayPic->move(40, 70); // where a drag left it
  f.select(kOneFrameLine);
  QCOMPARE(f.form->ResDisplayPic->pos(), QPoint(40, 70));
  QCOMPARE(f.form->ResDisplayPic->size(), QSize(4, 4));
  f.form->MoveTwips(f.form->ResDisplayPic, 600, 1050);
  f.select(kSpriteLine);
  const ui::TwipsRect rect = f.form->Twips(f.form->ResDisplayPic);
  QCOMPARE(rect.left, 600);
  QCOMPARE(rect.top, 1050);
  QCOMPARE(rect.width, qRound(8 * f.form->twipsPerPixelX()));
  QCOMPARE(f.form->ResDisplayPic->pos(), QPoint(ui::TwipsToPixels(600, f.form->twipsPerPixelX()),
                                                ui::TwipsToPixels(1050, f.form->twipsPerPixelY())));
}

void FramesTest::escapeCutsTheDecodeShort() {
  WindowFixture f;
  f.open();
  int rows = 0;
  std::string tagWhileDecoding;
  f.platform.escape = [&] {
    tagWhileDecoding = f.form->FrameScrollTag;
    return ++rows > 2; // held from the third row on
  };
  f.select(kSpriteLine);
  const MainForm &form = *f.form;
  // Slider changes let through while polling must not start a display inside this one.
  QCOMPARE(tagWhileDecoding, std::string("off"));
  // Rows decoded before Escape show as usual; the rest stay black.
  QCOMPARE(Shown(form, 7, 1), QColor(255, 255, 0));
  for (int y = 2; y < 6; ++y)
    for (int x = 0; x < 8; ++x)
      QCOMPARE(Shown(form, x, y), QColor(0, 0, 0));
  QCOMPARE(form.PictureStatusText->text(), QStringLiteral("Showing frame 1 of 3"));
  QCOMPARE(form.FrameScrollTag, std::string("on"));
}

void FramesTest::saveAsBmpWritesWhatTheCommandLineWrites() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  form.FrameScroll->setValue(2);
  form.displayOptions.shadowColour = RGB(1, 2, 3);
  form.displayOptions.maskColour = RGB(0x12, 0x34, 0x56);
  const QImage before = form.ResDisplayPic->image();
  const std::string target = f.temp.file("frame.bmp");
  f.platform.saveAnswers.push_back(target);
  form.menu_savebmp->trigger();

  QCOMPARE(f.platform.saveRequests.size(), std::size_t(1));
  QCOMPARE(f.platform.saveRequests[0].title, std::string("Save image as..."));
  QCOMPARE(f.platform.saveRequests[0].filter,
           std::string("BMP file (*.bmp)|*.bmp|All files (*.*)|*.*"));
  const std::string core = f.temp.file("core.bmp");
  SaveFrameBMP(form.ResDisplayPicTag, 2, DefaultPalette(), form.displayOptions, core);
  QCOMPARE(ReadFile(target), ReadFile(core));
  // Nothing on view changed.
  QCOMPARE(form.ResDisplayPic->image(), before);
  QCOMPARE(form.PictureStatusText->text(), QStringLiteral("Showing frame 2 of 3"));
  QCOMPARE(form.FrameScroll->value(), 2);
  QCOMPARE(form.FrameScrollTag, std::string("on"));

  const std::string cli = f.temp.file("cli.bmp");
  QCOMPARE(RunCli({"frame", Q(f.archivePath), "100", "--frame", "2", "--shadow", "010203", "--mask",
                   "#123456", "-o", Q(cli)}),
           0);
  QCOMPARE(ReadFile(target), ReadFile(cli));
}

void FramesTest::saveAsBmpCancelledWritesNothing() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  f.form->menu_savebmp->trigger();
  QCOMPARE(f.platform.saveRequests.size(), std::size_t(1));
  QVERIFY(f.platform.messages.empty());
  QCOMPARE(std::distance(std::filesystem::directory_iterator(f.temp.path()),
                         std::filesystem::directory_iterator()),
           2); // the archive and TEMP only
}

void FramesTest::saveAsBmpFailureIsReportedAndTheProgramGoesOn() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  f.platform.saveAnswers.push_back(f.temp.file("missing/frame.bmp"));
  f.form->menu_savebmp->trigger();
  QCOMPARE(f.platform.messages.size(), std::size_t(1));
  const auto &message = f.platform.messages.front();
  QCOMPARE(message.text, std::string("Error saving file!"));
  QVERIFY(message.icon == MessageIcon::Critical);
  QVERIFY(QString::fromStdString(message.detail).contains("frame.bmp"));
  QCOMPARE(f.form->PictureStatusText->text(), QStringLiteral("Showing frame 1 of 3"));
  f.form->FrameScroll->setValue(2); // and the window still works
  QCOMPARE(f.form->PictureStatusText->text(), QStringLiteral("Showing frame 2 of 3"));
}

void FramesTest::imageSequenceEqualsTheCommandLine() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  form.displayOptions.maskColour = RGB(9, 8, 7);
  std::filesystem::create_directory(f.temp.file("win"));
  f.platform.saveAnswers.push_back(f.temp.file("win/walk.bmp"));
  form.menu_image_savesequence->trigger();
  QVERIFY(f.platform.messages.empty());
  QCOMPARE(f.platform.saveRequests[0].title, std::string("Save image as..."));
  QCOMPARE(form.StatusText->text(), QString());
  QCOMPARE(form.PictureStatusText->text(), QString());
  QCOMPARE(form.FrameScrollTag, std::string("on"));
  QCOMPARE(form.FrameScroll->value(), 3); // left at the last frame

  std::filesystem::create_directory(f.temp.file("core"));
  ExportImageSequence(form.ResDisplayPicTag, f.temp.file("core/walk"), DefaultPalette(),
                      form.displayOptions);
  std::filesystem::create_directory(f.temp.file("cli"));
  QCOMPARE(RunCli({"sequence", Q(f.archivePath), "100", "--mask", "090807", "-o",
                   Q(f.temp.file("cli/walk.bmp"))}),
           0);
  for (const char *name : {"walk001.bmp", "walk002.bmp", "walk003.bmp"}) {
    const auto window = ReadFile(f.temp.file(std::string("win/") + name));
    QCOMPARE(window, ReadFile(f.temp.file(std::string("core/") + name)));
    QCOMPARE(window, ReadFile(f.temp.file(std::string("cli/") + name)));
  }
  QVERIFY(!std::filesystem::exists(f.temp.file("win/walk004.bmp")));
}

void FramesTest::imageSequenceReportsEachFrame() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  form.FrameScroll->setValue(2);
  std::vector<Step> steps;
  QObject::connect(form.FrameScroll, &QScrollBar::valueChanged, &form, [&](int value) {
    steps.push_back(
        {form.PictureStatusText->text(), form.FrameScrollTag, form.StatusText->text(), value});
  });
  f.platform.saveAnswers.push_back(f.temp.file("seq.bmp"));
  form.menu_image_savesequence->trigger();
  const std::vector<Step> expected = {
      {"Saving frame 1 of 3", "off", "Exporting to image sequence...", 1},
      {"Saving frame 2 of 3", "off", "Exporting to image sequence...", 2},
      {"Saving frame 3 of 3", "off", "Exporting to image sequence...", 3}};
  QVERIFY(steps == expected);
  // The view was not redrawn: it still shows frame 2.
  QCOMPARE(form.ResDisplayPic->size(), QSize(5, 9));
}

void FramesTest::hiddenPlayerChoiceLeavesTheFilesInPlayerOnesColours() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  form.menu_col_player_item[5]->trigger();
  QCOMPARE(form.displayOptions.playerIndex, std::int16_t{5});
  f.platform.saveAnswers.push_back(f.temp.file("frame.bmp"));
  form.menu_savebmp->trigger();
  std::filesystem::create_directory(f.temp.file("win"));
  f.platform.saveAnswers.push_back(f.temp.file("win/walk.bmp"));
  form.menu_image_savesequence->trigger();
  QVERIFY(f.platform.messages.empty());

  std::filesystem::create_directory(f.temp.file("one"));
  std::filesystem::create_directory(f.temp.file("six"));
  for (const char *player : {"1", "6"}) {
    const std::string folder = f.temp.file(player[0] == '1' ? "one/" : "six/");
    QCOMPARE(RunCli({"frame", Q(f.archivePath), "100", "--player", player, "-o",
                     Q(folder + "frame.bmp")}),
             0);
    QCOMPARE(RunCli({"sequence", Q(f.archivePath), "100", "--player", player, "-o",
                     Q(folder + "walk.bmp")}),
             0);
  }
  // The frame has player pixels, so player 6's files differ from player 1's.
  QVERIFY(ReadFile(f.temp.file("six/frame.bmp")) != ReadFile(f.temp.file("one/frame.bmp")));
  QCOMPARE(ReadFile(f.temp.file("frame.bmp")), ReadFile(f.temp.file("one/frame.bmp")));
  for (const char *name : {"walk001.bmp", "walk002.bmp", "walk003.bmp"})
    QCOMPARE(ReadFile(f.temp.file(std::string("win/") + name)),
             ReadFile(f.temp.file(std::string("one/") + name)));
}

void FramesTest::slxExportEqualsTheCommandLineAndKeepsItsFilter() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  QVERIFY(!form.menu_image_slx->isVisible());
  std::filesystem::create_directory(f.temp.file("win"));
  f.platform.saveAnswers.push_back(f.temp.file("win/walk.slx"));
  form.menu_image_slx_Click();
  QVERIFY(f.platform.messages.empty());
  QCOMPARE(f.platform.saveRequests[0].filter, std::string("SLX file (*.slx)|*.slx"));
  QCOMPARE(f.platform.saveRequests[0].title, std::string("Save image as..."));
  QCOMPARE(form.StatusText->text(), QString());
  QCOMPARE(form.FrameScrollTag, std::string("on"));

  std::filesystem::create_directory(f.temp.file("cli"));
  QCOMPARE(RunCli({"slx", Q(f.archivePath), "100", "-o", Q(f.temp.file("cli/walk.slx"))}), 0);
  const std::string slx = "SLX 0.5\r\n3\r\n3,5\r\nwalk1d.bmp\r\nwalk1c.bmp\r\n0,0\r\nwalk2d.bmp\r\n"
                          "walk2c.bmp\r\n-2,7\r\nwalk3d.bmp\r\nwalk3c.bmp\r\n";
  const auto window = ReadFile(f.temp.file("win/walk.slx"));
  QCOMPARE(std::string(window.begin(), window.end()), slx);
  QCOMPARE(window, ReadFile(f.temp.file("cli/walk.slx")));
  for (const char *name : {"walk1c.bmp", "walk1d.bmp", "walk3c.bmp", "walk3d.bmp"})
    QCOMPARE(ReadFile(f.temp.file(std::string("win/") + name)),
             ReadFile(f.temp.file(std::string("cli/") + name)));

  // The image saves go on offering the SLX filter, as they always did.
  form.menu_savebmp->trigger();
  QCOMPARE(f.platform.saveRequests.back().filter, std::string("SLX file (*.slx)|*.slx"));
}

void FramesTest::spriteGoneBehindRefreshIsReportedOnce() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  std::filesystem::remove(f.form->ResDisplayPicTag);
  f.form->menu_image_refresh->trigger();
  QCOMPARE(f.platform.messages.size(), std::size_t(1));
  const auto &message = f.platform.messages.front();
  QVERIFY(!message.text.empty());
  QVERIFY(!message.detail.empty());
  QVERIFY(message.icon == MessageIcon::Critical);
  QCOMPARE(f.platform.busyDepth, 0);
  QVERIFY(f.form->ResDisplayPicTag.empty());
  QVERIFY(f.form->ResDisplayPic->image().isNull());
  f.form->menu_image_refresh->trigger();
  f.form->RefreshImage(false);
  QCOMPARE(f.platform.messages.size(), std::size_t(1));
}

void FramesTest::malformedSpriteIsReportedAndNothingStaysOnView() {
  WindowFixture f;
  const std::string path = f.temp.file("broken.drs");
  auto good = PatternSprite({{6, 4, 0, 0}});
  auto truncated = good;
  truncated.resize(40); // the frame record runs past the end
  WriteFile(path, BuildArchive({{kSpriteTag, {{1, good}, {2, truncated}, {3, {}}}}}));
  f.open(path);
  f.select(1);
  QVERIFY(f.platform.messages.empty());
  for (int line : {2, 3}) {
    f.select(line);
    QCOMPARE(f.platform.messages.size(), std::size_t(line - 1));
    QVERIFY(f.platform.messages.back().icon == MessageIcon::Critical);
    QVERIFY(f.form->ResDisplayPic->image().isNull());
    QVERIFY(f.form->ResDisplayPicTag.empty());
    QCOMPARE(f.form->PictureStatusText->text(), QString());
    QCOMPARE(f.platform.busyDepth, 0);
  }
  f.select(1); // and a good one shows again
  QCOMPARE(f.form->PictureStatusText->text(), QStringLiteral("Showing frame 1 of 1"));
}

QTEST_MAIN(FramesTest)
#include "test_ui_frames.moc"
