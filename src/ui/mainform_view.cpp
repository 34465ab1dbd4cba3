// Dragging and zooming the image view, the keys of the list and the window, and the Help menu.
#include "ui/mainform.hpp"

#include "ui/help.hpp"

#include <QAction>
#include <QKeyEvent>
#include <QListView>
#include <QWheelEvent>

#include <algorithm>
#include <limits>

namespace tessary::ui {

namespace {

// Layout arithmetic is 16-bit twips; a place beyond that range is held at its edge.
std::int16_t Twips16(int twips) {
  return static_cast<std::int16_t>(std::clamp<int>(twips, std::numeric_limits<std::int16_t>::min(),
                                                   std::numeric_limits<std::int16_t>::max()));
}

} // namespace

void MainForm::ConnectView() {
  connect(ResDisplayPic, &PictureBox::mouseDown, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF at) {
            ResDisplayPic_MouseDown(button, shift, at.x(), at.y());
          });
  connect(ResDisplayPic, &PictureBox::mouseMove, this,
          [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPointF at) {
            ResDisplayPic_MouseMove(buttons, shift, at.x(), at.y());
          });
  connect(ResDisplayPic, &PictureBox::mouseUp, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF at) {
            ResDisplayPic_MouseUp(button, shift, at.x(), at.y());
          });
  // The list has the keyboard while a sprite is on view; the wheel is read over the view and the
  // bare window behind it.
  DRSFilesList->installEventFilter(this);
  ResDisplayPic->installEventFilter(this);
  centralWidget()->installEventFilter(this);
  connect(menu_help_help, &QAction::triggered, this, [this] { menu_help_help_Click(); });
  connect(menu_help_about, &QAction::triggered, this, [this] { menu_help_about_Click(); });
}

// ---------------------------------------------------------------------------------------------
// Dragging: any button grabs the image view at the pointer, and the view follows the pointer
// until the button is released. It stops at the window's left and top edges.

void MainForm::ResDisplayPic_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, double x, double y) {
  drag.buttonDown(x, y);
}

void MainForm::ResDisplayPic_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, double x,
                                       double y) {
  const TwipsRect place = Twips(ResDisplayPic);
  const auto moved = drag.pointerMove(x, y, {Twips16(place.left), Twips16(place.top)},
                                      twipsPerPixelX_, twipsPerPixelY_);
  if (!moved)
    return;
  MoveTwips(ResDisplayPic, moved->left, moved->top);
  repaint();
}

void MainForm::ResDisplayPic_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, double, double) {
  drag.buttonUp();
}

// ---------------------------------------------------------------------------------------------
// Keys and the wheel

bool MainForm::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress && watched == DRSFilesList &&
      HandleViewKey(*static_cast<QKeyEvent *>(event)))
    return true;
  if (event->type() == QEvent::Wheel && (watched == ResDisplayPic || watched == centralWidget()) &&
      ZoomByWheel(*static_cast<QWheelEvent *>(event), *static_cast<QWidget *>(watched))) {
    event->accept();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

// Keys no control took (the list keeps the focus nearly always; this is the rest).
void MainForm::keyPressEvent(QKeyEvent *event) {
  if (HandleViewKey(*event)) {
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

bool MainForm::HandleViewKey(const QKeyEvent &event) {
  if (event.key() == Qt::Key_Escape) {
    StopAnimation();
    return false; // Escape keeps whatever other meaning it has
  }
  if (event.key() == Qt::Key_Space && (event.modifiers() & ~Qt::KeypadModifier) == 0) {
    if (!SpriteOnView())
      return false;            // the list's own use of Space
    if (!event.isAutoRepeat()) // a held key toggles once
      ToggleAnimation();
    return true;
  }
  return ZoomByKey(event);
}

bool MainForm::ZoomByKey(const QKeyEvent &event) {
  // Shift is what some layouts need for "+"; the keypad's keys count as the others.
  const auto modifiers = event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  if (modifiers != Qt::ControlModifier || !SpriteOnView())
    return false;
  switch (event.key()) {
  case Qt::Key_Plus:
  case Qt::Key_Equal:
    if (zoom_.zoomIn())
      ApplyZoom();
    return true;
  case Qt::Key_Minus:
    if (zoom_.zoomOut())
      ApplyZoom();
    return true;
  case Qt::Key_0:
    if (zoom_.reset())
      ApplyZoom();
    return true;
  default:
    return false;
  }
}

bool MainForm::ZoomByWheel(const QWheelEvent &event, const QWidget &over) {
  if ((event.modifiers() & ~Qt::ShiftModifier) != Qt::ControlModifier || !SpriteOnView())
    return false;
  // Over the view or the window's bare background only: a control under the pointer keeps its
  // own wheel, even when it had no use for it and passed it on.
  const QPoint at = over.mapTo(centralWidget(), event.position().toPoint());
  if (QWidget *under = centralWidget()->childAt(at); under && under != ResDisplayPic)
    return false;
  const QPoint delta = event.angleDelta();
  if (zoom_.wheel(delta.y() != 0 ? delta.y() : delta.x()))
    ApplyZoom();
  return true;
}

void MainForm::ApplyZoom() {
  ResDisplayPic->setZoom(zoom_.factor());
  SizeViewToFrame();
}

void MainForm::SizeViewToFrame() {
  const int factor = zoom_.factor();
  SetTwipsSize(
      ResDisplayPic,
      static_cast<int>(PixelsToTwips(static_cast<double>(frameWidth_) * factor, twipsPerPixelX_)),
      static_cast<int>(PixelsToTwips(static_cast<double>(frameHeight_) * factor, twipsPerPixelY_)));
  // Exact pixels, whatever the twips round to.
  ResDisplayPic->resize(view::ZoomedExtent(frameWidth_, factor),
                        view::ZoomedExtent(frameHeight_, factor));
}

// ---------------------------------------------------------------------------------------------
// Help

void MainForm::menu_help_help_Click() { ShowHelp(platform_); }

void MainForm::menu_help_about_Click() { ShowAboutForm(aboutForm); }

} // namespace tessary::ui
