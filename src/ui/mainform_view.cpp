// Dragging the image view about the window, and the Help menu.
#include "ui/mainform.hpp"

#include "ui/help.hpp"

#include <QAction>

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
// Help

void MainForm::menu_help_help_Click() { ShowHelp(platform_); }

void MainForm::menu_help_about_Click() { ShowAboutForm(aboutForm); }

} // namespace tessary::ui
