#include "ui/picture_box.hpp"

#include <QMouseEvent>
#include <QPainter>

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

void PictureBox::paintEvent(QPaintEvent *) {
  if (image_.isNull())
    return;
  QPainter painter(this);
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
