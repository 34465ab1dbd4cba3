#include "ui/picture_box.hpp"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace tessary::ui {

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setMouseTracking(true); // moves without a button are reported too
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::setImage(QImage image) {
  image_ = std::move(image);
  update();
}

void PictureBox::setZoom(int factor) {
  zoom_ = std::max(factor, 1);
  update();
}

void PictureBox::paintEvent(QPaintEvent *) {
  if (image_.isNull())
    return;
  QPainter painter(this);
  if (zoom_ > 1) {
    // Enlarged pixels stay sharp squares: nearest neighbour, never smoothed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.scale(zoom_, zoom_);
  }
  painter.drawImage(QPoint(0, 0), image_);
}

void PictureBox::mousePressEvent(QMouseEvent *event) {
  emit mouseDown(event->button(), event->modifiers(), event->position());
}

void PictureBox::mouseMoveEvent(QMouseEvent *event) {
  emit mouseMove(event->buttons(), event->modifiers(), event->position());
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event) {
  emit mouseUp(event->button(), event->modifiers(), event->position());
}

} // namespace tessary::ui
