// Zooming the image view: Ctrl with +, =, the keypad's + and -, 0, or the wheel; whole factors
// 1 to 8, sharp square pixels, the view sized to the frame times the factor, kept for the next
// sprite; dragging works at every factor; saves are never zoomed; at 1x the view is as it was.
#include "ui_fixtures.hpp"

#include "palette/palette.hpp"
#include "sprite/display_options.hpp"
#include "ui/frame_image.hpp"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

using namespace tessary;
using namespace tessary::test;
using ui::MainForm;

namespace {

constexpr int kSpriteLine = 1;   // id 100, three frames: 8x6, 5x9, 12x4
constexpr int kOneFrameLine = 2; // id 101, 4x4
constexpr int kStartLeft = 2160;
constexpr int kStartTop = 1320;

void Key(QWidget *to, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
  QTest::keyClick(to, key, modifiers);
}
void ZoomIn(MainForm &form) { Key(form.DRSFilesList, Qt::Key_Plus); }
void ZoomTo(MainForm &form, int factor) {
  Key(form.DRSFilesList, Qt::Key_0);
  for (int i = 1; i < factor; ++i)
    ZoomIn(form);
  QCOMPARE(form.ZoomFactor(), factor);
}

// A turn of the wheel over `over` at `at` (in its own pixels), as the platform delivers it.
void Wheel(QWidget *over, QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
  QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(over, &wheel);
}

QImage Rendered(const std::string &sprite, int frame, const DisplayOptions &options) {
  cDIBSection image;
  RenderFrame(sprite, frame, DefaultPalette(), options, image);
  return ui::ImageFromSurface(image);
}

// What is on screen in the image view.
QImage Grab(MainForm &form) {
  return form.ResDisplayPic->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// `frame` with each pixel a factor x factor square.
QImage Enlarged(const QImage &frame, int factor) {
  QImage big(frame.width() * factor, frame.height() * factor, QImage::Format_RGB32);
  for (int y = 0; y < big.height(); ++y)
    for (int x = 0; x < big.width(); ++x)
      big.setPixel(x, y, frame.pixel(x / factor, y / factor));
  return big;
}

struct Place {
  int left, top;
  bool operator==(const Place &) const = default;
};
Place Where(const MainForm &form) {
  const auto rect = form.Twips(form.ResDisplayPic);
  return {rect.left, rect.top};
}
int Followed(double pointer, int grabbed, double twipsPerPixel, int current) {
  return std::max(0,
                  static_cast<int>(std::nearbyint((pointer - grabbed) * twipsPerPixel + current)));
}
void Mouse(MainForm &form, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
           QPointF at) {
  QMouseEvent event(type, at, form.ResDisplayPic->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(form.ResDisplayPic, &event);
}

// A sprite of three frames on view.
struct SpriteOnView {
  WindowFixture f;
  MainForm &form = *f.form;
  SpriteOnView() {
    f.open();
    f.select(kSpriteLine);
  }
};

} // namespace

class ZoomTest : public QObject {
  Q_OBJECT
private slots:
  void factorsAndTheViewSizeAtEach();
  void zoomKeys_data();
  void zoomKeys();
  void wheelWithCtrlZooms_data();
  void wheelWithCtrlZooms();
  void nothingZoomsWithoutASpriteOnView();
  void oneXIsTheFrameAsBefore();
  void pixelsAreSharpSquares_data();
  void pixelsAreSharpSquares();
  void zoomIsKeptForTheNextFrameAndSprite();
  void draggingAtThreeX();
  void savesAreNeverZoomed();
};

void ZoomTest::factorsAndTheViewSizeAtEach() {
  SpriteOnView s;
  MainForm &form = s.form;
  QCOMPARE(form.ZoomFactor(), 1);
  for (int factor = 2; factor <= 8; ++factor) {
    ZoomIn(form);
    QCOMPARE(form.ZoomFactor(), factor);
    QCOMPARE(form.ResDisplayPic->size(), QSize(8 * factor, 6 * factor));
    QCOMPARE(form.Twips(form.ResDisplayPic).width, qRound(8 * factor * form.twipsPerPixelX()));
    QCOMPARE(form.Twips(form.ResDisplayPic).height, qRound(6 * factor * form.twipsPerPixelY()));
    QCOMPARE(Where(form), (Place{kStartLeft, kStartTop})); // grows from its place
  }
  ZoomIn(form); // 8x is the most
  QCOMPARE(form.ZoomFactor(), 8);
  QCOMPARE(form.ResDisplayPic->size(), QSize(64, 48));
  for (int factor = 7; factor >= 1; --factor) {
    Key(form.DRSFilesList, Qt::Key_Minus);
    QCOMPARE(form.ZoomFactor(), factor);
    QCOMPARE(form.ResDisplayPic->size(), QSize(8 * factor, 6 * factor));
  }
  Key(form.DRSFilesList, Qt::Key_Minus); // 1x is the least
  QCOMPARE(form.ZoomFactor(), 1);
  QCOMPARE(form.ResDisplayPic->size(), QSize(8, 6));
  // Zooming is not a step of the slider nor a new display.
  QCOMPARE(form.FrameScroll->value(), 1);
  QCOMPARE(form.PictureStatusText->text(), QStringLiteral("Showing frame 1 of 3"));
  QCOMPARE(form.ListIndex(), kSpriteLine);
  QVERIFY(s.f.platform.messages.empty());
}

void ZoomTest::zoomKeys_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("from");
  QTest::addColumn<int>("to");
  const int ctrl = Qt::ControlModifier;
  const int keypad = Qt::KeypadModifier;
  const int shift = Qt::ShiftModifier;
  QTest::newRow("Ctrl++") << int(Qt::Key_Plus) << ctrl << 2 << 3;
  QTest::newRow("Ctrl+Shift+= (+ on many layouts)")
      << int(Qt::Key_Plus) << (ctrl | shift) << 2 << 3;
  QTest::newRow("Ctrl+=") << int(Qt::Key_Equal) << ctrl << 2 << 3;
  QTest::newRow("Ctrl and the keypad's +") << int(Qt::Key_Plus) << (ctrl | keypad) << 2 << 3;
  QTest::newRow("Ctrl+-") << int(Qt::Key_Minus) << ctrl << 2 << 1;
  QTest::newRow("Ctrl and the keypad's -") << int(Qt::Key_Minus) << (ctrl | keypad) << 2 << 1;
  QTest::newRow("Ctrl+0") << int(Qt::Key_0) << ctrl << 6 << 1;
  QTest::newRow("+ alone") << int(Qt::Key_Plus) << 0 << 2 << 2;
  QTest::newRow("Alt++") << int(Qt::Key_Plus) << int(Qt::AltModifier) << 2 << 2;
  QTest::newRow("Ctrl+Alt++") << int(Qt::Key_Plus) << (ctrl | int(Qt::AltModifier)) << 2 << 2;
  QTest::newRow("0 alone") << int(Qt::Key_0) << 0 << 2 << 2;
}

void ZoomTest::zoomKeys() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(int, from);
  QFETCH(int, to);
  SpriteOnView s;
  ZoomTo(s.form, from);
  Key(s.form.DRSFilesList, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(s.form.ZoomFactor(), to);
  QCOMPARE(s.form.ResDisplayPic->size(), QSize(8 * to, 6 * to));
  // Keys that reach the window itself zoom the same way.
  ZoomTo(s.form, from);
  Key(&s.form, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(s.form.ZoomFactor(), to);
  QCOMPARE(s.form.ListIndex(), kSpriteLine); // the list kept its line
}

void ZoomTest::wheelWithCtrlZooms_data() {
  QTest::addColumn<QString>("over");
  QTest::addColumn<int>("delta");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("factor"); // from 2x
  const int ctrl = Qt::ControlModifier;
  QTest::newRow("view, forward") << "view" << 120 << ctrl << 3;
  QTest::newRow("view, back") << "view" << -120 << ctrl << 1;
  QTest::newRow("view, two notches") << "view" << 240 << ctrl << 4;
  QTest::newRow("view, half a notch") << "view" << 60 << ctrl << 2;
  QTest::newRow("view, no Ctrl") << "view" << 120 << 0 << 2;
  QTest::newRow("background, forward") << "background" << 120 << ctrl << 3;
  QTest::newRow("background, no Ctrl") << "background" << 120 << 0 << 2;
  QTest::newRow("list, forward") << "list" << 120 << ctrl << 2; // the list scrolls instead
}

void ZoomTest::wheelWithCtrlZooms() {
  QFETCH(QString, over);
  QFETCH(int, delta);
  QFETCH(int, modifiers);
  QFETCH(int, factor);
  SpriteOnView s;
  MainForm &form = s.form;
  form.show(); // laid out, so what lies under the pointer is known
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  ZoomTo(form, 2);
  QWidget *background = form.centralWidget();
  if (over == "view")
    Wheel(form.ResDisplayPic, {3, 3}, delta, Qt::KeyboardModifiers(modifiers));
  else if (over == "background") // a bare place well below the view
    Wheel(background, {background->width() - 5, background->height() - 5}, delta,
          Qt::KeyboardModifiers(modifiers));
  else // the list does not take it: it passes on to the window behind
    Wheel(background, form.DRSFilesList->geometry().center(), delta,
          Qt::KeyboardModifiers(modifiers));
  QCOMPARE(form.ZoomFactor(), factor);
  QCOMPARE(form.ResDisplayPic->size(), QSize(8 * factor, 6 * factor));
}

void ZoomTest::nothingZoomsWithoutASpriteOnView() {
  WindowFixture f;
  MainForm &form = *f.form;
  ZoomIn(form);
  QCOMPARE(form.ZoomFactor(), 1);
  f.open();
  f.select(7); // a text
  ZoomIn(form);
  Wheel(form.centralWidget(), {5, 5}, 120, Qt::ControlModifier);
  QCOMPARE(form.ZoomFactor(), 1);
  f.select(kSpriteLine);
  QCOMPARE(form.ResDisplayPic->size(), QSize(8, 6));
}

void ZoomTest::oneXIsTheFrameAsBefore() {
  SpriteOnView s;
  MainForm &form = s.form;
  const QImage frame = Rendered(form.ResDisplayPicTag, 1, form.displayOptions);
  QCOMPARE(frame.size(), QSize(8, 6));
  const QImage shown = Grab(form);
  QCOMPARE(shown, frame); // pixel for pixel
  QCOMPARE(form.ResDisplayPic->image(), frame);
  // Back from another factor, the same again.
  ZoomTo(form, 5);
  Key(form.DRSFilesList, Qt::Key_0);
  QCOMPARE(form.ResDisplayPic->size(), QSize(8, 6));
  QCOMPARE(Grab(form), frame);
}

void ZoomTest::pixelsAreSharpSquares_data() {
  QTest::addColumn<int>("factor");
  QTest::addColumn<int>("frame");
  for (const int factor : {2, 3, 4, 7, 8})
    QTest::addRow("%dx", factor) << factor << 1;
  QTest::newRow("3x, frame 2") << 3 << 2;
}

void ZoomTest::pixelsAreSharpSquares() {
  QFETCH(int, factor);
  QFETCH(int, frame);
  SpriteOnView s;
  MainForm &form = s.form;
  form.FrameScroll->setValue(frame);
  ZoomTo(form, factor);
  const QImage own = Rendered(form.ResDisplayPicTag, frame, form.displayOptions);
  const QImage shown = Grab(form);
  QCOMPARE(shown.size(), own.size() * factor);
  QCOMPARE(shown, Enlarged(own, factor));
  // The shadow pixel at (1, 0) is grey across its whole square, and stops at its edge.
  const QRgb grey = qRgb(127, 127, 127);
  for (int y = 0; y < factor; ++y)
    for (int x = factor; x < 2 * factor; ++x)
      QCOMPARE(shown.pixel(x, y), grey);
  QVERIFY(shown.pixel(factor - 1, 0) != grey);
  QVERIFY(shown.pixel(2 * factor, 0) != grey);
  QCOMPARE(form.ResDisplayPic->image(), own); // the frame itself is kept at its own size
}

void ZoomTest::zoomIsKeptForTheNextFrameAndSprite() {
  SpriteOnView s;
  MainForm &form = s.form;
  ZoomTo(form, 3);
  form.FrameScroll->setValue(2); // 5x9
  QCOMPARE(form.ResDisplayPic->size(), QSize(15, 27));
  form.menu_image_refresh->trigger();
  QCOMPARE(form.ResDisplayPic->size(), QSize(15, 27));
  s.f.select(kOneFrameLine); // 4x4
  QCOMPARE(form.ZoomFactor(), 3);
  QCOMPARE(form.ResDisplayPic->size(), QSize(12, 12));
  QCOMPARE(Grab(form), Enlarged(Rendered(form.ResDisplayPicTag, 1, form.displayOptions), 3));
  s.f.select(7); // a text between: the zoom waits for the next sprite
  s.f.select(kSpriteLine);
  QCOMPARE(form.ZoomFactor(), 3);
  QCOMPARE(form.ResDisplayPic->size(), QSize(24, 18));
  // A new archive does not change it either.
  s.f.open();
  s.f.select(kSpriteLine);
  QCOMPARE(form.ResDisplayPic->size(), QSize(24, 18));
}

void ZoomTest::draggingAtThreeX() {
  SpriteOnView s;
  MainForm &form = s.form;
  ZoomTo(form, 3);
  const double tx = form.twipsPerPixelX();
  const double ty = form.twipsPerPixelY();
  // Grabbed at a point only the enlarged view has (the frame is 8x6).
  Mouse(form, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {20, 14});
  const QPoint pointer = form.ResDisplayPic->mapTo(form.centralWidget(), QPoint(30, 20));
  Mouse(form, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {30, 20});
  const Place moved{Followed(30, 20, tx, kStartLeft), Followed(20, 14, ty, kStartTop)};
  QCOMPARE(Where(form), moved);
  QVERIFY(moved.left > kStartLeft && moved.top > kStartTop);
  // The grabbed point is under the pointer again, in window pixels.
  const QPoint grabbed = form.ResDisplayPic->mapTo(form.centralWidget(), QPoint(20, 14));
  QVERIFY2((pointer - grabbed).manhattanLength() <= 2,
           qPrintable(QStringLiteral("%1,%2").arg(pointer.x()).arg(pointer.y())));
  QCOMPARE(form.ResDisplayPic->size(), QSize(24, 18));                  // moved, not resized
  Mouse(form, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {0, 0}); // the ignored report
  Mouse(form, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {-500, -500});
  QCOMPARE(Where(form), (Place{0, 0})); // stopped at the left and top edges
  Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {-500, -500});
  QCOMPARE(form.drag.dragState(), std::int16_t{0});
  // Zooming keeps the place dragged to.
  Key(form.DRSFilesList, Qt::Key_0);
  QCOMPARE(Where(form), (Place{0, 0}));
  QCOMPARE(form.ResDisplayPic->size(), QSize(8, 6));
}

void ZoomTest::savesAreNeverZoomed() {
  SpriteOnView s;
  MainForm &form = s.form;
  const std::string atOne = s.f.temp.file("one.bmp");
  const std::string atFour = s.f.temp.file("four.bmp");
  s.f.platform.saveAnswers.push_back(atOne);
  form.menu_savebmp->trigger();
  ZoomTo(form, 4);
  s.f.platform.saveAnswers.push_back(atFour);
  form.menu_savebmp->trigger();
  const auto one = ReadFile(atOne);
  QVERIFY(one.size() > 54);
  QCOMPARE(ReadFile(atFour), one);
  const auto le32 = [&](std::size_t at) {
    return one[at] | one[at + 1] << 8 | one[at + 2] << 16 | one[at + 3] << 24;
  };
  QCOMPARE(le32(18), 8); // the frame's own width and height
  QCOMPARE(le32(22), 6);
  // The image sequence too, saved at 4x and at 1x.
  for (const char *name : {"four", "one"}) {
    s.f.platform.saveAnswers.push_back(s.f.temp.file(std::string(name) + ".bmp"));
    form.menu_image_savesequence->trigger();
    if (std::string(name) == "four")
      QCOMPARE(form.ZoomFactor(), 4); // and the view stays zoomed
    Key(form.DRSFilesList, Qt::Key_0);
  }
  QVERIFY(s.f.platform.messages.empty());
  for (const char *frame : {"001", "002", "003"}) {
    const std::string zoomed = s.f.temp.file(std::string("four") + frame + ".bmp");
    QVERIFY2(std::filesystem::exists(zoomed), zoomed.c_str());
    QCOMPARE(ReadFile(zoomed), ReadFile(s.f.temp.file(std::string("one") + frame + ".bmp")));
  }
}

QTEST_MAIN(ZoomTest)
#include "test_ui_zoom.moc"
