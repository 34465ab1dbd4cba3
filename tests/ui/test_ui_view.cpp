// Dragging the image view with the mouse, and the Help menu (the notice and the About window),
// in the window.
#include "ui_fixtures.hpp"

#include "ui/about_form.hpp"
#include "ui/help.hpp"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <cmath>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;

namespace {

constexpr int kSpriteLine = 1;
constexpr int kStartLeft = 2160; // the image view's place in the layout, in twips
constexpr int kStartTop = 1320;

// Mouse events as the person's hand makes them, delivered to the image view.
void Send(MainForm &form, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
          QPointF at) {
  QMouseEvent event(type, at, form.ResDisplayPic->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(form.ResDisplayPic, &event);
}
void Press(MainForm &form, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
  Send(form, QEvent::MouseButtonPress, button, button, at);
}
void Move(MainForm &form, QPointF at, Qt::MouseButtons held = Qt::LeftButton) {
  Send(form, QEvent::MouseMove, Qt::NoButton, held, at);
}
void Release(MainForm &form, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
  Send(form, QEvent::MouseButtonRelease, button, Qt::NoButton, at);
}

struct Place {
  int left, top;
  bool operator==(const Place &) const = default;
};

Place Where(const MainForm &form) {
  const auto rect = form.Twips(form.ResDisplayPic);
  return {rect.left, rect.top};
}

// One axis of a move acted on: the grabbed point comes back under the pointer.
int Followed(double pointer, int grabbed, double twipsPerPixel, int current) {
  return std::max(0,
                  static_cast<int>(std::nearbyint((pointer - grabbed) * twipsPerPixel + current)));
}

std::vector<ui::AboutForm *> AboutWindows() {
  std::vector<ui::AboutForm *> found;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *about = qobject_cast<ui::AboutForm *>(w))
      found.push_back(about);
  return found;
}

QStringList LabelTexts(const ui::AboutForm &about) {
  QStringList texts;
  for (int i = 1; i <= 5; ++i)
    texts << about.label(i)->text();
  return texts;
}

} // namespace

class ViewTest : public QObject {
  Q_OBJECT
private slots:
  void dragMovesTheViewWithThePointer();
  void everyOtherMoveIsIgnored();
  void dragStopsAtTheLeftAndTopEdges_data();
  void dragStopsAtTheLeftAndTopEdges();
  void anyButtonDrags_data();
  void anyButtonDrags();
  void nothingMovesWithoutAButtonDown();
  void nextSpriteIsShownWhereTheViewWasLeft();
  void helpShowsTheNotice();
  void aboutShowsOneWindowThatEveryButtonHides();
};

// ---------------------------------------------------------------------------------------------
// Dragging

void ViewTest::dragMovesTheViewWithThePointer() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  QCOMPARE(Where(form), (Place{kStartLeft, kStartTop}));
  const double tx = form.twipsPerPixelX();
  const double ty = form.twipsPerPixelY();

  Press(form, {3.4, 2.5}); // grabbed at (3, 2): both round to the nearest, ties to even
  QCOMPARE(form.drag.dragState(), std::int16_t{1});
  QCOMPARE(form.drag.dragStartX(), 3);
  QCOMPARE(form.drag.dragStartY(), 2);

  Move(form, {10, 7});
  const Place moved{Followed(10, 3, tx, kStartLeft), Followed(7, 2, ty, kStartTop)};
  QCOMPARE(Where(form), moved);
  QVERIFY(moved.left > kStartLeft && moved.top > kStartTop);
  QCOMPARE(form.ResDisplayPic->pos(),
           QPoint(ui::TwipsToPixels(moved.left, tx), ui::TwipsToPixels(moved.top, ty)));
  QCOMPARE(form.ResDisplayPic->size(), QSize(8, 6)); // moved, not resized
  QCOMPARE(form.drag.dragState(), std::int16_t{2});

  Release(form, {10, 7});
  QCOMPARE(form.drag.dragState(), std::int16_t{0});
  for (int i = 0; i < 3; ++i) // after the release, moves over the view move nothing
    Move(form, {20.0 + i, 20.0 + i}, Qt::NoButton);
  QCOMPARE(Where(form), moved);
}

void ViewTest::everyOtherMoveIsIgnored() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  const double tx = form.twipsPerPixelX();

  Press(form, {2, 2});
  Move(form, {4, 2}); // acted on
  const int first = Followed(4, 2, tx, kStartLeft);
  QCOMPARE(Where(form).left, first);
  Move(form, {30, 2}); // the report that follows a move: ignored, wherever it is
  QCOMPARE(Where(form).left, first);
  QCOMPARE(form.drag.dragState(), std::int16_t{1});
  Move(form, {30, 2}); // acted on: catches up from the grabbed point
  const int second = Followed(30, 2, tx, first);
  QCOMPARE(Where(form).left, second);
  QCOMPARE(Where(form).top, kStartTop);
  Move(form, {0, 0}); // ignored again
  QCOMPARE(Where(form).left, second);
}

void ViewTest::dragStopsAtTheLeftAndTopEdges_data() {
  QTest::addColumn<QPointF>("to");
  QTest::addColumn<bool>("leftAtZero");
  QTest::addColumn<bool>("topAtZero");
  QTest::newRow("past the left edge") << QPointF(-1000, 5) << true << false;
  QTest::newRow("past the top edge") << QPointF(5, -1000) << false << true;
  QTest::newRow("past both") << QPointF(-1000, -1000) << true << true;
}

void ViewTest::dragStopsAtTheLeftAndTopEdges() {
  QFETCH(QPointF, to);
  QFETCH(bool, leftAtZero);
  QFETCH(bool, topAtZero);
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  Press(form, {5, 5});
  Move(form, to);
  const Place place = Where(form);
  QCOMPARE(place.left == 0, leftAtZero);
  QCOMPARE(place.top == 0, topAtZero);
  QCOMPARE(place.left, Followed(to.x(), 5, form.twipsPerPixelX(), kStartLeft));
  QCOMPARE(place.top, Followed(to.y(), 5, form.twipsPerPixelY(), kStartTop));
  QVERIFY(form.ResDisplayPic->x() >= 0 && form.ResDisplayPic->y() >= 0);

  // There is no limit to the right and bottom.
  Move(form, {0, 0}); // ignored
  Move(form, {5000, 5000});
  QVERIFY(Where(form).left > form.width() * form.twipsPerPixelX());
}

void ViewTest::anyButtonDrags_data() {
  QTest::addColumn<int>("button");
  QTest::newRow("right") << static_cast<int>(Qt::RightButton);
  QTest::newRow("middle") << static_cast<int>(Qt::MiddleButton);
}

void ViewTest::anyButtonDrags() {
  QFETCH(int, button);
  const auto pressed = static_cast<Qt::MouseButton>(button);
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  Press(form, {1, 1}, pressed);
  Move(form, {1, 9}, pressed);
  QCOMPARE(Where(form), (Place{kStartLeft, Followed(9, 1, form.twipsPerPixelY(), kStartTop)}));
  Release(form, {1, 9}, pressed);
  QCOMPARE(form.drag.dragState(), std::int16_t{0});
}

void ViewTest::nothingMovesWithoutAButtonDown() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  for (const QPointF at : {QPointF(1, 1), QPointF(50, 50), QPointF(-5, -5)})
    Move(form, at, Qt::NoButton);
  QCOMPARE(Where(form), (Place{kStartLeft, kStartTop}));
  QCOMPARE(form.drag.dragState(), std::int16_t{0});

  // A release outside the view (delivered as the view holds the grab) ends a drag too.
  Press(form, {2, 2});
  Release(form, {-40, 300});
  Move(form, {10, 10});
  QCOMPARE(Where(form), (Place{kStartLeft, kStartTop}));
}

void ViewTest::nextSpriteIsShownWhereTheViewWasLeft() {
  WindowFixture f;
  f.open();
  f.select(kSpriteLine);
  MainForm &form = *f.form;
  Press(form, {0, 0});
  Move(form, {-20, 12});
  Release(form, {-20, 12});
  const Place dragged = Where(form);
  QCOMPARE(dragged.left, Followed(-20, 0, form.twipsPerPixelX(), kStartLeft));

  f.select(2); // sprite 101, 4x4
  QCOMPARE(form.ResDisplayPic->size(), QSize(4, 4));
  QCOMPARE(Where(form), dragged);
}

// ---------------------------------------------------------------------------------------------
// Help and About

void ViewTest::helpShowsTheNotice() {
  WindowFixture f;
  f.form->menu_help_help->trigger();
  QCOMPARE(f.platform.messages.size(), std::size_t{1});
  const ui::MessageRequest &shown = f.platform.messages[0];
  QCOMPARE(shown.text, std::string("As a beta release, this program has no documentation. "
                                   "Hopefully it won't be too complicated to figure everything "
                                   "out yourself..."));
  QCOMPARE(shown.title, std::string("Help"));
  QVERIFY(shown.icon == ui::MessageIcon::Information);
  QVERIFY(shown.buttons == ui::MessageButtons::Ok);
  QVERIFY(shown.detail.empty());
  QVERIFY(AboutWindows().empty());
}

void ViewTest::aboutShowsOneWindowThatEveryButtonHides() {
  WindowFixture f;
  MainForm &form = *f.form;
  QVERIFY(!form.aboutForm);
  form.menu_help_about->trigger();
  form.menu_help_about->trigger(); // twice in a row: still one window
  QCOMPARE(AboutWindows().size(), std::size_t{1});
  ui::AboutForm *about = AboutWindows().front();
  QCOMPARE(about, form.aboutForm.get());
  QVERIFY(about->isVisible());
  QVERIFY(!about->isModal());
  QVERIFY(about->parentWidget() == nullptr);
  const QStringList content = LabelTexts(*about);
  QCOMPARE(content[3], QStringLiteral("By the Tessary contributors"));

  for (int index = 0; index < ui::AboutForm::kButtonCount; ++index) {
    QTest::mouseClick(about->exitButton(index), Qt::LeftButton);
    QVERIFY2(!about->isVisible(), qPrintable(about->exitButton(index)->text()));
    QVERIFY(form.isEnabled()); // the main window was never blocked
    form.menu_help_about->trigger();
    QCOMPARE(AboutWindows().size(), std::size_t{1});
    QCOMPARE(form.aboutForm.get(), about);
    QVERIFY(about->isVisible());
    QCOMPARE(LabelTexts(*about), content);
  }
  QVERIFY(f.platform.messages.empty());
}

QTEST_MAIN(ViewTest)
#include "test_ui_view.moc"
