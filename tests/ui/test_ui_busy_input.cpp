// Input that arrives while a frame is being decoded: Escape is the decode's, everything else is
// delivered after it, in order, with nothing lost.
#include "ui_fixtures.hpp"

#include "ui/escape_tracker.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <functional>
#include <memory>

using namespace tessary;
using namespace tessary::test;

namespace {

constexpr int kSpriteLine = 1; // id 100, three frames

void Post(QObject *receiver, std::unique_ptr<QEvent> event) {
  QCoreApplication::postEvent(receiver, event.release()); // the queue owns it from here
}

std::unique_ptr<QMouseEvent> Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  return std::make_unique<QMouseEvent>(type, QPointF(at), QPointF(at), Qt::LeftButton, buttons,
                                       Qt::NoModifier);
}

std::unique_ptr<QKeyEvent> Key(QEvent::Type type, int key) {
  return std::make_unique<QKeyEvent>(type, key, Qt::NoModifier);
}

// The middle of the slider's "one step right" arrow.
QPoint AddLineArrow(QScrollBar *bar) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = bar->orientation();
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = bar->sliderPosition();
  option.sliderValue = bar->value();
  option.singleStep = bar->singleStep();
  option.pageStep = bar->pageStep();
  option.subControls = QStyle::SC_All;
  option.state |= QStyle::State_Horizontal;
  return bar->style()
      ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine, bar)
      .center();
}

// A shown window whose decodes poll the real Escape tracker; `during` runs once, at the first
// poll of the next decode, and the pump then sees whatever it posted.
class BusyWindow {
public:
  BusyWindow() {
    f.platform.escape = [this] {
      if (during) {
        const auto now = std::exchange(during, {});
        now();
        QTest::qSleep(20); // past the tracker's pause between pumps
      }
      return tracker.poll();
    };
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    f.open();
    f.select(kSpriteLine);
  }

  WindowFixture f;
  ui::EscapeTracker tracker;
  std::function<void()> during;
};

} // namespace

class BusyInputTest : public QObject {
  Q_OBJECT
private slots:
  void quickClickOnTheSliderArrowStepsOnce();
  void twoKeyPressesMoveTwoLines();
  void escapeDuringTheDecodeIsTakenByIt();
};

void BusyInputTest::quickClickOnTheSliderArrowStepsOnce() {
  BusyWindow w;
  QScrollBar *slider = w.f.form->FrameScroll;
  QCOMPARE(slider->value(), 1);
  QCOMPARE(slider->maximum(), 3);
  const QPoint arrow = AddLineArrow(slider);
  w.during = [&] {
    Post(slider, Mouse(QEvent::MouseButtonPress, arrow, Qt::LeftButton));
    Post(slider, Mouse(QEvent::MouseButtonRelease, arrow, Qt::NoButton));
  };
  w.f.form->menu_image_refresh->trigger();
  QCOMPARE(slider->value(), 1); // not inside the running decode
  QVERIFY(w.tracker.heldBackCount() > 0);
  QTRY_COMPARE(w.f.form->PictureStatusText->text(), QStringLiteral("Showing frame 2 of 3"));
  // The release came through too: no auto-repeat runs on past the single step.
  QTest::qWait(800);
  QCOMPARE(slider->value(), 2);
  QCOMPARE(w.tracker.heldBackCount(), std::size_t(0));
}

void BusyInputTest::twoKeyPressesMoveTwoLines() {
  BusyWindow w;
  QListView *list = w.f.form->DRSFilesList;
  list->setFocus();
  QCOMPARE(w.f.form->ListIndex(), kSpriteLine);
  w.during = [&] {
    for (int i = 0; i < 2; ++i) {
      Post(list, Key(QEvent::KeyPress, Qt::Key_Down));
      Post(list, Key(QEvent::KeyRelease, Qt::Key_Down));
    }
  };
  w.f.form->menu_image_refresh->trigger();
  QCOMPARE(w.f.form->ListIndex(), kSpriteLine);
  QTRY_COMPARE(w.f.form->ListIndex(), kSpriteLine + 2);
  QTest::qWait(50);
  QCOMPARE(w.f.form->ListIndex(), kSpriteLine + 2);
}

void BusyInputTest::escapeDuringTheDecodeIsTakenByIt() {
  BusyWindow w;
  QListView *list = w.f.form->DRSFilesList;
  bool escapeSeen = false;
  w.during = [&] {
    Post(list, Key(QEvent::KeyPress, Qt::Key_Escape));
    Post(list, Key(QEvent::KeyPress, Qt::Key_Down));
  };
  const int polls = w.f.platform.escapePolls;
  w.f.form->menu_image_refresh->trigger();
  escapeSeen = w.tracker.held();
  QVERIFY(escapeSeen);
  // The decode stopped at the first poll that saw the key: row one of six.
  QCOMPARE(w.f.platform.escapePolls - polls, 1);
  QTRY_COMPARE(w.f.form->ListIndex(), kSpriteLine + 1); // the Down after it still arrives
}

QTEST_MAIN(BusyInputTest)
#include "test_ui_busy_input.moc"
