// Playing a sprite's frames: Space starts and stops it, each tick of the animation timer is one
// slider step, from the last frame back to the first, and whatever else the person does stops it.
// The timer is driven by hand, one tick at a time.
#include "ui_fixtures.hpp"

#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "ui/frame_image.hpp"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>

#include <filesystem>
#include <functional>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;

namespace {

constexpr int kSpriteLine = 1; // id 100, three frames: 8x6, 5x9, 12x4
constexpr int kOneFrameLine = 2;
constexpr int kSoundLine = 4;

// One tick of the window's animation timer, as the event loop would deliver it; nothing when the
// timer is not running.
bool Tick(MainForm &form) {
  if (!form.AnimateTimer->isActive())
    return false;
  QTimerEvent tick(form.AnimateTimer->timerId());
  QCoreApplication::sendEvent(form.AnimateTimer, &tick);
  return true;
}

void PressSpace(QWidget *to, bool autoRepeat = false) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
  QCoreApplication::sendEvent(to, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "),
                    autoRepeat);
  QCoreApplication::sendEvent(to, &release);
}

QImage Rendered(const std::string &sprite, int frame, const DisplayOptions &options) {
  cDIBSection image;
  RenderFrame(sprite, frame, DefaultPalette(), options, image);
  return ui::ImageFromSurface(image);
}

// A sprite of three frames on view and playing.
struct Playing {
  WindowFixture f;
  MainForm &form = *f.form;
  Playing() {
    f.open();
    f.select(kSpriteLine);
    PressSpace(form.DRSFilesList);
  }
};

} // namespace

class AnimationTest : public QObject {
  Q_OBJECT
private slots:
  void spaceStartsAndStopsPlaying();
  void ticksStepTheSliderAndWrap_data();
  void ticksStepTheSliderAndWrap();
  void eachTickIsAnOrdinaryStep();
  void oneFrameSpriteStaysOnItsFrame();
  void stoppedBy_data();
  void stoppedBy();
  void spaceWithoutASpriteOnViewPlaysNothing_data();
  void spaceWithoutASpriteOnViewPlaysNothing();
  void spaceGoesToAFocusedTextBox();
  void heldSpaceTogglesOnce();
  void escapeDuringADecodeStops();
  void tickDuringADisplayWaits();
  void frameThatCannotBeShownStopsWithOneMessage();
};

void AnimationTest::spaceStartsAndStopsPlaying() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  QVERIFY(!form.Playing());
  PressSpace(form.DRSFilesList);
  QVERIFY(form.Playing());
  QCOMPARE(form.AnimateTimer->interval(), 100);
  QCOMPARE(form.FrameScroll->value(), 1); // the first step waits for the first tick
  QVERIFY(Tick(form));
  QCOMPARE(form.FrameScroll->value(), 2);
  PressSpace(form.DRSFilesList);
  QVERIFY(!form.Playing());
  QCOMPARE(form.FrameScroll->value(), 2); // stopped where it was
  PressSpace(form.DRSFilesList);
  QVERIFY(Tick(form));
  QCOMPARE(form.FrameScroll->value(), 3); // and goes on from there
  // The list kept its line: Space was not taken as a list key.
  QCOMPARE(form.ListIndex(), kSpriteLine);
  QVERIFY(f.platform.messages.empty());
}

void AnimationTest::ticksStepTheSliderAndWrap_data() {
  QTest::addColumn<int>("ticks");
  QTest::addColumn<int>("frame");
  QTest::newRow("none") << 0 << 1;
  QTest::newRow("one") << 1 << 2;
  QTest::newRow("to the last") << 2 << 3;
  QTest::newRow("past the last wraps to the first") << 3 << 1;
  QTest::newRow("second round") << 4 << 2;
  QTest::newRow("many rounds") << 3 * 5 + 2 << 3;
}

void AnimationTest::ticksStepTheSliderAndWrap() {
  QFETCH(int, ticks);
  QFETCH(int, frame);
  Playing p;
  for (int i = 0; i < ticks; ++i)
    QVERIFY(Tick(p.form));
  QCOMPARE(p.form.FrameScroll->value(), frame);
  QCOMPARE(p.form.PictureStatusText->text(), QStringLiteral("Showing frame %1 of 3").arg(frame));
  QVERIFY(p.form.Playing());
}

void AnimationTest::eachTickIsAnOrdinaryStep() {
  // The view, its size and the label follow each step as after a manual one; the colours in
  // force are those of the moment.
  Playing p;
  MainForm &form = p.form;
  const std::string sprite = form.ResDisplayPicTag;
  const QSize sizes[] = {QSize(5, 9), QSize(12, 4), QSize(8, 6)};
  for (int step = 0; step < 3; ++step) {
    const int frame = step == 2 ? 1 : step + 2;
    const long clock = p.f.platform.clock;
    QVERIFY(Tick(form));
    QCOMPARE(form.ResDisplayPic->size(), sizes[step]);
    QCOMPARE(form.ResDisplayPic->image(), Rendered(sprite, frame, form.displayOptions));
    QCOMPARE(form.PictureStatusText->text(), QStringLiteral("Showing frame %1 of 3").arg(frame));
    QCOMPARE(form.ResDisplayPicTag, sprite); // the same copy, not a new one
    QCOMPARE(p.f.platform.clock, clock);
  }
  form.displayOptions.shadowColour = RGB(1, 2, 3);
  QVERIFY(Tick(form));
  QCOMPARE(form.ResDisplayPic->image(), Rendered(sprite, 2, form.displayOptions));
  QCOMPARE(form.ResDisplayPic->image().pixel(1, 0), qRgb(1, 2, 3));
  QCOMPARE(p.f.platform.busyDepth, 0);
}

void AnimationTest::oneFrameSpriteStaysOnItsFrame() {
  WindowFixture f;
  f.open();
  f.select(kOneFrameLine);
  MainForm &form = *f.form;
  PressSpace(form.DRSFilesList);
  QVERIFY(form.Playing());
  for (int i = 0; i < 3; ++i)
    QVERIFY(Tick(form));
  QCOMPARE(form.FrameScroll->value(), 1);
  QCOMPARE(form.PictureStatusText->text(), QStringLiteral("Showing frame 1 of 1"));
  QCOMPARE(form.ResDisplayPic->size(), QSize(4, 4));
}

void AnimationTest::stoppedBy_data() {
  using Action = std::function<void(WindowFixture &)>;
  QTest::addColumn<Action>("action");
  QTest::addColumn<int>("frameAfter"); // the slider's value the action leaves
  // Playing has reached frame 2 when the action comes.
  QTest::newRow("another sprite chosen") << Action([](WindowFixture &f) { f.select(2); }) << 1;
  QTest::newRow("a sound chosen") << Action([](WindowFixture &f) { f.select(kSoundLine); }) << 2;
  QTest::newRow("Refresh") << Action([](WindowFixture &f) {
    f.form->menu_image_refresh->trigger();
  }) << 2;
  QTest::newRow("Auto-refresh") << Action([](WindowFixture &f) {
    f.form->menu_image_autorefresh->trigger();
  }) << 2;
  QTest::newRow("a colour chosen") << Action([](WindowFixture &f) {
    f.platform.colourAnswers.push_back(RGB(9, 9, 9));
    f.form->menu_col_choose[1]->trigger();
  }) << 2;
  QTest::newRow("Save as BMP") << Action([](WindowFixture &f) {
    f.platform.saveAnswers.push_back(f.temp.file("frame.bmp"));
    f.form->menu_savebmp->trigger();
  }) << 2;
  QTest::newRow("Save as BMP, cancelled")
      << Action([](WindowFixture &f) { f.form->menu_savebmp->trigger(); }) << 2;
  QTest::newRow("Save as image sequence") << Action([](WindowFixture &f) {
    f.platform.saveAnswers.push_back(f.temp.file("seq.bmp"));
    f.form->menu_image_savesequence->trigger();
  }) << 3;
  QTest::newRow("Open..., cancelled")
      << Action([](WindowFixture &f) { f.form->menu_file_open->trigger(); }) << 2;
  QTest::newRow("an archive opened from outside")
      << Action([](WindowFixture &f) { f.form->OpenArchive(f.archivePath); }) << 2;
  QTest::newRow("a step by the slider's arrow") << Action([](WindowFixture &f) {
    f.form->FrameScroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  }) << 3;
  QTest::newRow("the slider's thumb taken") << Action([](WindowFixture &f) {
    f.form->FrameScroll->setSliderDown(true);
    f.form->FrameScroll->setSliderDown(false);
  }) << 2;
  QTest::newRow("the slider set") << Action([](WindowFixture &f) {
    f.form->FrameScroll->setValue(1);
  }) << 1;
  QTest::newRow("Escape on the list")
      << Action([](WindowFixture &f) { QTest::keyClick(f.form->DRSFilesList, Qt::Key_Escape); })
      << 2;
  QTest::newRow("Escape on the window")
      << Action([](WindowFixture &f) { QTest::keyClick(f.form.get(), Qt::Key_Escape); }) << 2;
}

void AnimationTest::stoppedBy() {
  using Action = std::function<void(WindowFixture &)>;
  QFETCH(Action, action);
  QFETCH(int, frameAfter);
  Playing p;
  QVERIFY(Tick(p.form));
  QCOMPARE(p.form.FrameScroll->value(), 2);
  action(p.f);
  QVERIFY(!p.form.Playing());
  QCOMPARE(p.form.FrameScroll->value(), frameAfter);
}

void AnimationTest::spaceWithoutASpriteOnViewPlaysNothing_data() {
  QTest::addColumn<int>("line"); // -1: no archive open
  QTest::newRow("nothing open") << -1;
  QTest::newRow("a heading") << 0;
  QTest::newRow("a sound") << kSoundLine;
  QTest::newRow("a text") << 7;
}

void AnimationTest::spaceWithoutASpriteOnViewPlaysNothing() {
  QFETCH(int, line);
  WindowFixture f;
  MainForm &form = *f.form;
  if (line >= 0) {
    f.open();
    f.select(line);
  }
  PressSpace(form.DRSFilesList);
  QVERIFY(!form.Playing());
  // A sprite seen before a text does not play behind it either.
  if (line > kSpriteLine) {
    f.select(kSpriteLine);
    f.select(line);
    PressSpace(form.DRSFilesList);
    QVERIFY(!form.Playing());
  }
}

void AnimationTest::spaceGoesToAFocusedTextBox() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  form.RenameTextBox->setText(QStringLiteral("ab"));
  form.RenameTextBox->setCursorPosition(1);
  QTest::keyClick(form.RenameTextBox, Qt::Key_Space);
  QCOMPARE(form.RenameTextBox->text(), QStringLiteral("a b"));
  QVERIFY(!form.Playing());
}

void AnimationTest::heldSpaceTogglesOnce() {
  Playing p;
  for (int i = 0; i < 4; ++i)
    PressSpace(p.form.DRSFilesList, true); // the key's repeats while held
  QVERIFY(p.form.Playing());
  PressSpace(p.form.DRSFilesList);
  QVERIFY(!p.form.Playing());
}

void AnimationTest::escapeDuringADecodeStops() {
  // The decode's poll takes the key, so it never reaches the list: the step that saw it stops.
  Playing p;
  p.f.platform.escape = [] { return true; };
  QVERIFY(Tick(p.form));
  QVERIFY(!p.form.Playing());
  QCOMPARE(p.form.FrameScroll->value(), 2);
  QCOMPARE(p.form.PictureStatusText->text(), QStringLiteral("Showing frame 2 of 3"));
}

void AnimationTest::tickDuringADisplayWaits() {
  // A tick that comes while a frame is still being decoded (the decode lets timers through as it
  // polls for Escape) must not start a second display inside the first.
  Playing p;
  MainForm &form = p.form;
  int nested = 0;
  p.f.platform.escape = [&] {
    if (nested++ == 0)
      Tick(form);
    return false;
  };
  QVERIFY(Tick(form));
  QVERIFY(nested > 1);
  QCOMPARE(form.FrameScroll->value(), 2);
  QCOMPARE(form.PictureStatusText->text(), QStringLiteral("Showing frame 2 of 3"));
  QCOMPARE(form.ResDisplayPic->size(), QSize(5, 9));
  QCOMPARE(form.FrameScrollTag, std::string("on"));
  QVERIFY(form.Playing());
  QCOMPARE(p.f.platform.busyDepth, 0);
}

void AnimationTest::frameThatCannotBeShownStopsWithOneMessage() {
  Playing p;
  std::filesystem::remove(p.form.ResDisplayPicTag);
  QVERIFY(Tick(p.form));
  QVERIFY(!p.form.Playing());
  QCOMPARE(p.f.platform.messages.size(), std::size_t{1});
  QVERIFY(p.form.ResDisplayPicTag.empty());
  PressSpace(p.form.DRSFilesList); // nothing left to play
  QVERIFY(!p.form.Playing());
}

QTEST_MAIN(AnimationTest)
#include "test_ui_animation.moc"
